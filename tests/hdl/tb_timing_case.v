// Replays one case of the golden timing files through reportapp_timing_writer:
// rising clock edges at the times of the case, valid high on the edges of its
// output records, reset released on the edge of its start record.
// REPLAY holds "S <time>" and "O <time> <clocks> <model1> <rtl1> ..." lines
// (decimal values, or bit strings with BINARY), written from cases.json by golden_writers.py.
`timescale 1ns / 1ps
module tb_timing_case #(
    parameter FILE = "out.txt",
    parameter REPLAY = "replay.txt",
    parameter integer CHANNELS = 1,
    parameter integer WIDTH = 16,
    parameter integer BINARY = 0  // values given as bit strings (0 1 x z) instead of decimal
) (
    output reg done
);
  reg clk = 1'b0;
  reg rst = 1'b1;
  reg valid = 1'b0;
  reg [CHANNELS*WIDTH-1:0] model = 0;
  reg [CHANNELS*WIDTH-1:0] rtl = 0;

  reportapp_timing_writer #(
      .FILE(FILE),
      .CHANNELS(CHANNELS),
      .WIDTH(WIDTH)
  ) writer (
      .clk(clk),
      .rst(rst),
      .valid(valid),
      .model(model),
      .rtl(rtl),
      .model_bits($bits(model)),
      .rtl_bits($bits(rtl))
  );

  // One rising edge at time t ns (t >= now), low again a little later.
  task edge_at(input real t, input real pulse);
    begin
      // An edge at time 0 is made 1 ps late (the writer rounds to whole
      // ns): a change at time 0 itself may come before the writer waits.
      if (t > $realtime) #(t - $realtime);
      else #0.001;
      clk = 1'b1;
      #(pulse) clk = 1'b0;
    end
  endtask

  integer fd, status, channel, clocks, step;
  reg [WIDTH-1:0] value;

  task read_value;
    integer number;
    begin
      if (BINARY != 0) status = $fscanf(fd, "%b", value);
      else begin
        status = $fscanf(fd, "%d", number);
        value  = number[WIDTH-1:0];
      end
    end
  endtask
  integer time_ns;
  real previous, spacing, pulse;
  reg [7:0] kind;

  initial begin
    done = 1'b0;
    previous = 0.0;
    fd = $fopen(REPLAY, "r");
    if (fd == 0) $fatal(1, "tb_timing_case: cannot open %0s", REPLAY);
    status = $fscanf(fd, " %c", kind);
    while (status == 1) begin
      status = $fscanf(fd, "%d", time_ns);
      if (kind == "S") begin
        rst = 1'b0;
        edge_at(time_ns, 0.25);
        clocks = 0;
      end else begin
        status = $fscanf(fd, "%d", clocks);
        for (channel = 0; channel < CHANNELS; channel = channel + 1) begin
          read_value;
          model[channel*WIDTH+:WIDTH] = value;
          read_value;
          rtl[channel*WIDTH+:WIDTH] = value;
        end
        spacing = (time_ns - previous) / clocks;
        pulse = spacing / 4.0;
        for (step = 1; step < clocks; step = step + 1) edge_at(previous + spacing * step, pulse);
        valid = 1'b1;
        edge_at(time_ns, pulse);
        valid = 1'b0;
      end
      previous = time_ns;
      status = $fscanf(fd, " %c", kind);
    end
    $fclose(fd);
    writer.timing.close_file;
    done = 1'b1;
  end
endmodule
