-- Timing-file writer driven by the testbench's clock: the start record at the
-- first rising clock edge with reset low, then one output record for every
-- rising edge with valid high, carrying the clocks counted since the previous
-- record. model and rtl are arrays of CHANNELS values of WIDTH bits (channel 1
-- first); arrays of another size stop the simulation naming the file.
--
--   writer : entity work.reportapp_timing_writer
--     generic map (FILE_NAME => "kv_timing_Korvel_TestVector_1.txt", CHANNELS => 2, WIDTH => 16)
--     port map (clk => clk, rst => rst, valid => out_valid,
--               model => (model1, model2), rtl => (std_logic_vector(y1), std_logic_vector(y2)));
library ieee;
use ieee.std_logic_1164.all;
use work.reportapp_timing_pkg.all;

entity reportapp_timing_writer is
  generic (
    FILE_NAME : string;
    CHANNELS  : positive;
    WIDTH     : positive
  );
  port (
    clk   : in std_logic;
    rst   : in std_logic;  -- active high
    valid : in std_logic;
    model : in slv_array;
    rtl   : in slv_array
  );
end entity reportapp_timing_writer;

architecture behaviour of reportapp_timing_writer is
  shared variable timing : timing_writer_t;
begin
  process (clk)
    variable started : boolean := false;
    variable opened  : boolean := false;
  begin
    if not opened then
      -- Arrays of the wrong size stop the run before the file is created.
      assert model'length = CHANNELS and rtl'length = CHANNELS
        report "reportapp_timing_writer: " & FILE_NAME & ": the model and RTL arrays have "
               & integer'image(model'length) & " and " & integer'image(rtl'length)
               & " channels, CHANNELS is " & integer'image(CHANNELS) severity failure;
      assert model(model'low)'length = WIDTH and rtl(rtl'low)'length = WIDTH
        report "reportapp_timing_writer: " & FILE_NAME & ": the model and RTL values have width "
               & integer'image(model(model'low)'length) & " and " & integer'image(rtl(rtl'low)'length)
               & ", WIDTH is " & integer'image(WIDTH) severity failure;
      timing.open_file(FILE_NAME, CHANNELS, WIDTH);
      opened := true;
    end if;
    if rising_edge(clk) then
      if started then
        timing.count_clock;
      elsif rst = '0' then
        timing.write_start;
        started := true;
      end if;
      if started and valid = '1' then
        timing.write_output(model, rtl);
      end if;
    end if;
  end process;
end architecture behaviour;
