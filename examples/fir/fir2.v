// Two-channel four-tap FIR filter: 16-bit samples (Q1.15), coefficients
// 0.5, 0.75, 0.5, -0.25, products summed exactly, rounded to nearest (ties
// upward) and saturated to 16 bits. One sample per channel on each clock with
// in_valid; the result one clock later with out_valid.
//
// fault injects a known design error for the example flow:
//   0 none, 1 ties rounded downward, 2 overflow wraps instead of saturating,
//   3 the data path is left out of the reset.
`timescale 1ns / 1ps
module fir2 (
    input wire clk,
    input wire rst,
    input wire [1:0] fault,
    input wire in_valid,
    input wire signed [15:0] in0,
    input wire signed [15:0] in1,
    output reg out_valid,
    output reg signed [15:0] out0,
    output reg signed [15:0] out1
);
  localparam [1:0] FAULT_TIES = 2'd1, FAULT_WRAP = 2'd2, FAULT_NORESET = 2'd3;
  localparam signed [15:0] H0 = 16'sd16384, H1 = 16'sd24576, H2 = 16'sd16384, H3 = -16'sd8192;

  reg signed [15:0] x0_1, x0_2, x0_3;  // channel 0 delay line
  reg signed [15:0] x1_1, x1_2, x1_3;  // channel 1 delay line

  // Sum of products in Q2.30 plus headroom: 34 bits hold four 16 x 16 products.
  function signed [33:0] taps(input signed [15:0] x, input signed [15:0] d1,
                              input signed [15:0] d2, input signed [15:0] d3);
    taps = H0 * x + H1 * d1 + H2 * d2 + H3 * d3;
  endfunction

  // Q2.30 to Q1.15: round to nearest (half an LSB added, then floor), saturate.
  function signed [15:0] requantize(input signed [33:0] sum, input [1:0] fault_kind);
    reg signed [33:0] rounded;
    begin
      rounded = (sum + (fault_kind == FAULT_TIES ? 34'sd16383 : 34'sd16384)) >>> 15;
      if (fault_kind == FAULT_WRAP) requantize = rounded[15:0];
      else if (rounded > 34'sd32767) requantize = 16'sh7fff;
      else if (rounded < -34'sd32768) requantize = 16'sh8000;
      else requantize = rounded[15:0];
    end
  endfunction

  always @(posedge clk) begin
    if (rst) begin
      out_valid <= 1'b0;
      if (fault != FAULT_NORESET) begin
        {x0_1, x0_2, x0_3} <= 48'd0;
        {x1_1, x1_2, x1_3} <= 48'd0;
        out0 <= 16'sd0;
        out1 <= 16'sd0;
      end
    end else begin
      out_valid <= in_valid;
      if (in_valid) begin
        out0 <= requantize(taps(in0, x0_1, x0_2, x0_3), fault);
        out1 <= requantize(taps(in1, x1_1, x1_2, x1_3), fault);
        {x0_1, x0_2, x0_3} <= {in0, x0_1, x0_2};
        {x1_1, x1_2, x1_3} <= {in1, x1_1, x1_2};
      end
    end
  end
endmodule
