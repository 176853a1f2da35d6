// Testbench of fir2 for Icarus Verilog and Verilator: reads one test vector
// (+vector=<file>: per sample one line "in0 in1 model0 model1" in hex, the
// model's outputs computed by model.tcl), feeds a sample every other clock and
// writes the timing file (+reportapp_timing_file=<file>) through the
// project's writer. +fault=<0..3> selects the design fault of fir2.
`timescale 1ns / 1ps
module tb_fir;
  localparam integer MAX_SAMPLES = 4096;

  reg clk = 1'b0;
  reg rst = 1'b1;
  reg [1:0] fault = 2'd0;
  reg in_valid = 1'b0;
  reg signed [15:0] in0 = 16'sd0, in1 = 16'sd0;
  wire out_valid;
  wire signed [15:0] out0, out1;
  reg [15:0] words[0:4*MAX_SAMPLES-1];
  integer samples = 0, sent = 0, received = 0, fault_number = 0;
  reg [8*256-1:0] vector;

  // The model values of the output the design gives next.
  wire [15:0] model0 = words[4*received+2];
  wire [15:0] model1 = words[4*received+3];

  fir2 dut (
      .clk(clk),
      .rst(rst),
      .fault(fault),
      .in_valid(in_valid),
      .in0(in0),
      .in1(in1),
      .out_valid(out_valid),
      .out0(out0),
      .out1(out1)
  );

  reportapp_timing_writer #(
      .CHANNELS(2),
      .WIDTH(16)
  ) writer (
      .clk(clk),
      .rst(rst),
      .valid(out_valid),
      .model({model1, model0}),
      .rtl({out1, out0}),
      .model_bits($bits({model1, model0})),
      .rtl_bits($bits({out1, out0}))
  );

  initial forever #5 clk = ~clk;

  always @(posedge clk) begin
    if (out_valid && !rst) received <= received + 1;
    if (!rst && sent < samples && !in_valid) begin
      in_valid <= 1'b1;
      in0 <= words[4*sent];
      in1 <= words[4*sent+1];
      sent <= sent + 1;
    end else begin
      in_valid <= 1'b0;
    end
  end

  initial begin
    if (!$value$plusargs("vector=%s", vector)) $fatal(1, "tb_fir: +vector=<file> is not given");
    if ($value$plusargs("fault=%d", fault_number)) begin
      if (fault_number < 0 || fault_number > 3) $fatal(1, "tb_fir: +fault=%0d (0 to 3)", fault_number);
      fault = fault_number[1:0];
    end
    if (!$value$plusargs("samples=%d", samples) || samples < 1 || samples > MAX_SAMPLES)
      $fatal(1, "tb_fir: +samples=<1..%0d> is not given", MAX_SAMPLES);
    $readmemh(vector, words, 0, 4 * samples - 1);
    repeat (3) @(negedge clk);
    rst = 1'b0;
    wait (received == samples);
    @(negedge clk);
    writer.timing.close_file;
    $finish;
  end
endmodule
