-- Timing-file writer for VHDL-2008 testbenches (GHDL 2.0 and later).
--
--   use work.reportapp_timing_pkg.all;
--   shared variable timing : timing_writer_t;
--   ...
--   timing.open_file("kv_timing_Korvel_TestVector_1.txt", 2, 16);
--   timing.write_start;                 -- at reset release
--   timing.count_clock;                 -- on every clock after it
--   timing.write_output(model, rtl);    -- on every valid output (slv_array, signed_array or unsigned_array)
--   timing.close_file;
--
-- Lines written:  "<time> start 0"  and  "<time> out <clocks> <model1> <rtl1> <model2> <rtl2> ..."
-- The time is an integer count of nanoseconds (now, rounded); the clock
-- count is the number of count_clock calls since the previous record. Values
-- are the width's bit pattern in lower-case hex of ceil(width/4) digits, the
-- first element of an array being channel 1. A digit with a U, X, W or -
-- bit, or with some but not all bits Z, is written "x"; a digit whose bits are
-- all Z is written "z"; L and H read as 0 and 1.
--
-- Bad input stops the simulation (severity failure) with a message naming the
-- file: a file that cannot be opened, a channel count or width that does not
-- match the arrays given, a record before open_file or write_start.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;

package reportapp_timing_pkg is
  type slv_array is array (natural range <>) of std_logic_vector;
  type signed_array is array (natural range <>) of signed;
  type unsigned_array is array (natural range <>) of unsigned;

  type timing_writer_t is protected
    procedure open_file(path : string; channels : positive; width : positive);
    procedure write_start;
    procedure count_clock;
    procedure write_output(model, rtl : slv_array);
    procedure write_output(model, rtl : signed_array);
    procedure write_output(model, rtl : unsigned_array);
    procedure close_file;
  end protected timing_writer_t;

  -- The value's hex digits as the timing file holds them.
  function timing_hex(value : std_logic_vector) return string;
  -- A time as an integer count of nanoseconds, rounded (no unit, no overflow at 2**31 ns).
  function timing_ns(t : time) return string;
end package reportapp_timing_pkg;

package body reportapp_timing_pkg is
  function timing_hex(value : std_logic_vector) return string is
    constant digits : natural := (value'length + 3) / 4;
    constant hex    : string(1 to 16) := "0123456789abcdef";
    alias bits_of   : std_logic_vector(value'length - 1 downto 0) is value;
    variable text   : string(1 to digits);
    variable nibble, known, floating, count : natural;
  begin
    for digit in 0 to digits - 1 loop
      nibble := 0;
      known := 0;
      floating := 0;
      count := 0;
      for b in 0 to 3 loop
        if 4 * digit + b < value'length then
          count := count + 1;
          case bits_of(4 * digit + b) is
            when '0' | 'L' => known := known + 1;
            when '1' | 'H' => known := known + 1; nibble := nibble + 2 ** b;
            when 'Z' => floating := floating + 1;
            when others => null;  -- U, X, W, -
          end case;
        end if;
      end loop;
      if floating = count then
        text(digits - digit) := 'z';
      elsif known /= count then
        text(digits - digit) := 'x';
      else
        text(digits - digit) := hex(nibble + 1);
      end if;
    end loop;
    return text;
  end function;

  function timing_ns(t : time) return string is
    -- Whole seconds and the nanoseconds beyond them, rounded to the nearest
    -- ns (half upward), as Verilog's $time and the C++ writer round.
    variable seconds : integer := t / 1 sec;
    variable rest    : integer := (t - seconds * 1 sec + 1 ns / 2) / 1 ns;
  begin
    if rest = 1000000000 then
      seconds := seconds + 1;
      rest := 0;
    end if;
    if seconds = 0 then
      return integer'image(rest);
    end if;
    return integer'image(seconds) & integer'image(1000000000 + rest)(2 to 10);
  end function;

  type timing_writer_t is protected body
    file out_file : text;
    variable file_name : line;
    variable is_open, started : boolean := false;
    variable channel_count, word_length, clocks : natural := 0;

    impure function name return string is
    begin
      if file_name = null then
        return "(no file)";
      end if;
      return file_name.all;
    end function;

    procedure open_file(path : string; channels : positive; width : positive) is
      variable status : file_open_status;
    begin
      assert not is_open report "reportapp_timing: " & path & ": open_file called twice" severity failure;
      file_open(status, out_file, path, write_mode);
      assert status = open_ok
        report "reportapp_timing: " & path & ": cannot open the file for writing ("
               & file_open_status'image(status) & ")" severity failure;
      file_name := new string'(path);
      is_open := true;
      channel_count := channels;
      word_length := width;
    end procedure;

    procedure put(text : string) is
      variable l : line;
    begin
      write(l, text);
      writeline(out_file, l);
    end procedure;

    procedure write_start is
    begin
      assert is_open report "reportapp_timing: write_start before open_file" severity failure;
      assert not started report "reportapp_timing: " & name & ": write_start called twice" severity failure;
      put(timing_ns(now) & " start 0");
      started := true;
      clocks := 0;
    end procedure;

    procedure count_clock is
    begin
      clocks := clocks + 1;
    end procedure;

    procedure check(what : string; channels, width : natural) is
    begin
      assert channels = channel_count
        report "reportapp_timing: " & name & ": the " & what & " array has "
               & integer'image(channels) & " channels, the file was opened for "
               & integer'image(channel_count) severity failure;
      assert width = word_length
        report "reportapp_timing: " & name & ": the " & what & " values have width "
               & integer'image(width) & ", the file was opened for width "
               & integer'image(word_length) severity failure;
    end procedure;

    procedure write_output(model, rtl : slv_array) is
      variable l : line;
    begin
      assert started report "reportapp_timing: " & name & ": write_output before write_start" severity failure;
      assert is_open report "reportapp_timing: " & name & ": write_output after close_file" severity failure;
      check("model", model'length, model(model'low)'length);
      check("RTL", rtl'length, rtl(rtl'low)'length);
      write(l, timing_ns(now) & " out " & integer'image(clocks));
      for channel in 0 to channel_count - 1 loop
        write(l, " " & timing_hex(model(model'low + channel))
                            & " " & timing_hex(rtl(rtl'low + channel)));
      end loop;
      writeline(out_file, l);
      clocks := 0;
    end procedure;

    procedure write_output(model, rtl : signed_array) is
      variable m : slv_array(model'range)(model(model'low)'length - 1 downto 0);
      variable r : slv_array(rtl'range)(rtl(rtl'low)'length - 1 downto 0);
    begin
      for i in model'range loop
        m(i) := std_logic_vector(model(i));
      end loop;
      for i in rtl'range loop
        r(i) := std_logic_vector(rtl(i));
      end loop;
      write_output(m, r);
    end procedure;

    procedure write_output(model, rtl : unsigned_array) is
      variable m : slv_array(model'range)(model(model'low)'length - 1 downto 0);
      variable r : slv_array(rtl'range)(rtl(rtl'low)'length - 1 downto 0);
    begin
      for i in model'range loop
        m(i) := std_logic_vector(model(i));
      end loop;
      for i in rtl'range loop
        r(i) := std_logic_vector(rtl(i));
      end loop;
      write_output(m, r);
    end procedure;

    procedure close_file is
    begin
      if is_open then
        file_close(out_file);
      end if;
      is_open := false;
    end procedure;
  end protected body timing_writer_t;
end package body reportapp_timing_pkg;
