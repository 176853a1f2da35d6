// A writer given bad input must stop the simulation naming the file:
// CASE 0, a vector narrower than CHANNELS * WIDTH; CASE 1, a file that cannot
// be opened.
`timescale 1ns / 1ps
module tb_bad_input #(
    parameter integer CASE = 0
);
  reg clk = 1'b0;
  reg rst = 1'b1;
  reg [23:0] narrow = 24'h0;  // two channels of 12 bits
  reg [31:0] wide = 32'h0;  // two channels of 16 bits

  generate
    if (CASE == 0) begin : mismatch
      reportapp_timing_writer #(
          .FILE("bad_width.txt"),
          .CHANNELS(2),
          .WIDTH(16)
      ) writer (
          .clk(clk),
          .rst(rst),
          .valid(1'b1),
          .model({8'h0, narrow}),
          .rtl(wide),
          .model_bits($bits(narrow)),
          .rtl_bits($bits(wide))
      );
    end else begin : unopenable
      reportapp_timing_writer #(
          .FILE("no/such/folder/t.txt"),
          .CHANNELS(2),
          .WIDTH(16)
      ) writer (
          .clk(clk),
          .rst(rst),
          .valid(1'b1),
          .model(wide),
          .rtl(wide),
          .model_bits($bits(wide)),
          .rtl_bits($bits(wide))
      );
    end
  endgenerate

  initial begin
    #10 rst = 1'b0;
    repeat (4) #5 clk = ~clk;
    $display("tb_bad_input: the writer did not stop the simulation");
    $finish;
  end
endmodule
