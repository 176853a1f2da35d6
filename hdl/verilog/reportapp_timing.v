// Timing-file writer for Verilog-2005 and SystemVerilog testbenches: plain
// tasks on an instance of this module.
//
//   reportapp_timing #(.MAX_BITS(32)) timing();
//   initial timing.open_file("kv_timing_Korvel_TestVector_1.txt", 2, 16);
//   ...at reset release:            timing.write_start;
//   ...on every clock after it:     timing.count_clock;
//   ...on every valid output:       timing.write_output(model, $bits(model), rtl, $bits(rtl));
//   ...at the end (optional):       timing.close_file;
//
// Lines written:  "<time> start 0"  and  "<time> out <clocks> <model1> <rtl1> <model2> <rtl2> ..."
// Channel 1 sits in the lowest WIDTH bits of a vector ({ch2, ch1}). Values are
// the WIDTH-bit patterns in lower-case hex of ceil(WIDTH/4) digits; a digit
// with an unknown or partly floating bit is "x", one whose bits all float is
// "z". The clock count is the number of clock calls since the previous output
// (or the start). The time is an integer count of nanoseconds whatever the
// timescale of the calling module: this module keeps its own unit of 1 ns.
//
// Bad input ends the simulation with $fatal naming the file: a file that
// cannot be opened, a channel count or width out of range, a vector whose bit
// count is not channels * width, a record before open_file or write_start.
`timescale 1ns / 1ps
// The tasks run in the caller's process, which may well be a clocked one.
/* verilator lint_off BLKSEQ */
module reportapp_timing #(
    parameter integer MAX_BITS = 1024  // the widest model or RTL vector passed to output
);
  integer fd = 0;
  integer channels = 0;
  integer width = 0;
  integer clocks = 0;
  reg started = 1'b0;
  reg [8*256-1:0] name = 0;

  task open_file(input [8*256-1:0] file_name, input integer channel_count,
                 input integer word_length);
    begin
      name = file_name;
      if (fd != 0) $fatal(1, "reportapp_timing: %0s: open_file called twice", name);
      if (channel_count < 1)
        $fatal(1, "reportapp_timing: %0s: channel count %0d (at least 1)", name, channel_count);
      if (word_length < 1 || channel_count * word_length > MAX_BITS)
        $fatal(1, "reportapp_timing: %0s: %0d channels of width %0d do not fit MAX_BITS %0d",
               name, channel_count, word_length, MAX_BITS);
      channels = channel_count;
      width = word_length;
      fd = $fopen(file_name, "w");
      if (fd == 0) $fatal(1, "reportapp_timing: %0s: cannot open the file for writing", name);
    end
  endtask

  task write_start;
    begin
      if (fd == 0) $fatal(1, "reportapp_timing: write_start before open_file");
      if (started) $fatal(1, "reportapp_timing: %0s: write_start called twice", name);
      $fwrite(fd, "%0d start 0\n", $time);
      started = 1'b1;
      clocks = 0;
    end
  endtask

  task count_clock;
    clocks = clocks + 1;
  endtask

  // One value: digits from the most significant down.
  task put_value(input [MAX_BITS-1:0] vector, input integer channel);
    integer digit, bit_index, bits, unknown, floating;
    reg [3:0] nibble;
    reg one;
    begin
      for (digit = (width + 3) / 4 - 1; digit >= 0; digit = digit - 1) begin
        bits = width - 4 * digit;
        if (bits > 4) bits = 4;
        unknown = 0;
        floating = 0;
        nibble = 4'h0;
        for (bit_index = 0; bit_index < bits; bit_index = bit_index + 1) begin
          one = vector[channel*width+4*digit+bit_index];
          if (one === 1'bz) floating = floating + 1;
          else if (one === 1'bx) unknown = unknown + 1;
          else nibble[bit_index] = one;
        end
        if (floating == bits) $fwrite(fd, "z");
        else if (unknown != 0 || floating != 0) $fwrite(fd, "x");
        else $fwrite(fd, "%h", nibble);
      end
    end
  endtask

  task check_bits(input integer bits, input [8*8-1:0] what);
    begin
      if (bits != channels * width)
        $fatal(1, "reportapp_timing: %0s: the %0s vector has %0d bits, %0d channels of width %0d need %0d",
               name, what, bits, channels, width, channels * width);
    end
  endtask

  task write_output(input [MAX_BITS-1:0] model, input integer model_bits, input [MAX_BITS-1:0] rtl,
              input integer rtl_bits);
    integer channel;
    begin
      if (!started) $fatal(1, "reportapp_timing: %0s: write_output before write_start", name);
      if (fd == 0) $fatal(1, "reportapp_timing: %0s: write_output after close_file", name);
      check_bits(model_bits, "model");
      check_bits(rtl_bits, "RTL");
      $fwrite(fd, "%0d out %0d", $time, clocks);
      for (channel = 0; channel < channels; channel = channel + 1) begin
        $fwrite(fd, " ");
        put_value(model, channel);
        $fwrite(fd, " ");
        put_value(rtl, channel);
      end
      $fwrite(fd, "\n");
      clocks = 0;
    end
  endtask

  task close_file;
    begin
      if (fd != 0) $fclose(fd);
      fd = 0;
    end
  endtask
endmodule
/* verilator lint_on BLKSEQ */
