// Timing-file writer driven by the testbench's clock: the start record at the
// first rising clock edge with reset low, then one output record for every
// rising edge with valid high, carrying the clocks counted since the previous
// record.
//
//   reportapp_timing_writer #(.FILE("kv_timing_Korvel_TestVector_1.txt"), .CHANNELS(2), .WIDTH(16))
//     writer (.clk(clk), .rst(rst), .valid(out_valid),
//             .model({model2, model1}), .rtl({rtl2, rtl1}),
//             .model_bits($bits({model2, model1})), .rtl_bits($bits({rtl2, rtl1})));
//
// model_bits and rtl_bits tell the writer how wide the connected vectors are,
// so that a channel count or width that does not match them stops the
// simulation instead of writing padded or cut values; left unconnected (or 0)
// they are not checked. Needs reportapp_timing.v.
`timescale 1ns / 1ps
module reportapp_timing_writer #(
    parameter FILE = "",
    parameter integer CHANNELS = 1,
    parameter integer WIDTH = 16
) (
    input wire clk,
    input wire rst,  // active high
    input wire valid,
    input wire [CHANNELS*WIDTH-1:0] model,
    input wire [CHANNELS*WIDTH-1:0] rtl,
    input wire [31:0] model_bits,
    input wire [31:0] rtl_bits
);
  reportapp_timing #(.MAX_BITS(CHANNELS * WIDTH)) timing ();

  reg started = 1'b0;

  // An empty FILE takes the name from the plusarg +reportapp_timing_file=<path>,
  // so that one build of a testbench writes the files of many vectors.
  reg [8*256-1:0] file_name;
  initial begin
    /* verilator lint_off WIDTH */
    file_name = FILE;  // the parameter is as wide as its text
    /* verilator lint_on WIDTH */
    if (file_name == 0 && !$value$plusargs("reportapp_timing_file=%s", file_name))
      $fatal(1, "reportapp_timing_writer: FILE is empty and +reportapp_timing_file=<path> is not given");
    timing.open_file(file_name, CHANNELS, WIDTH);
  end

  function integer given_bits(input [31:0] bits);
    // Unconnected (z in four-state simulators, 0 in two-state ones): the width of the port.
    given_bits = (^bits === 1'bx || bits == 0) ? CHANNELS * WIDTH : bits;
  endfunction

  always @(posedge clk) begin
    if (started) timing.count_clock;
    if (!started && rst === 1'b0) begin
      // Vectors of the wrong size stop the run before any record is written.
      timing.check_bits(given_bits(model_bits), "model");
      timing.check_bits(given_bits(rtl_bits), "RTL");
      timing.write_start;
      started <= 1'b1;
    end
    if ((started || rst === 1'b0) && valid === 1'b1)
      timing.write_output(model, given_bits(model_bits), rtl, given_bits(rtl_bits));
  end
endmodule
