-- A writer given bad input must stop the simulation naming the file:
-- CASE 0, three channels for CHANNELS 2; CASE 1, values of 12 bits for
-- WIDTH 16; CASE 2, a file that cannot be opened.
library ieee;
use ieee.std_logic_1164.all;
use work.reportapp_timing_pkg.all;

entity tb_bad_input is
  generic (CASE_NUMBER : natural := 0);
end entity tb_bad_input;

architecture bad of tb_bad_input is
  signal clk         : std_logic := '0';
  signal rst         : std_logic := '1';
  signal three       : slv_array(0 to 2)(15 downto 0) := (others => (others => '0'));
  signal two_narrow  : slv_array(0 to 1)(11 downto 0) := (others => (others => '0'));
  signal two         : slv_array(0 to 1)(15 downto 0) := (others => (others => '0'));
begin
  channels : if CASE_NUMBER = 0 generate
    writer : entity work.reportapp_timing_writer
      generic map (FILE_NAME => "bad_channels.txt", CHANNELS => 2, WIDTH => 16)
      port map (clk => clk, rst => rst, valid => '1', model => three, rtl => three);
  end generate;
  width : if CASE_NUMBER = 1 generate
    writer : entity work.reportapp_timing_writer
      generic map (FILE_NAME => "bad_width.txt", CHANNELS => 2, WIDTH => 16)
      port map (clk => clk, rst => rst, valid => '1', model => two_narrow, rtl => two_narrow);
  end generate;
  unopenable : if CASE_NUMBER = 2 generate
    writer : entity work.reportapp_timing_writer
      generic map (FILE_NAME => "no/such/folder/t.txt", CHANNELS => 2, WIDTH => 16)
      port map (clk => clk, rst => rst, valid => '1', model => two, rtl => two);
  end generate;

  process
  begin
    wait for 10 ns;
    rst <= '0';
    for i in 1 to 4 loop
      wait for 5 ns;
      clk <= not clk;
    end loop;
    report "tb_bad_input: the writer did not stop the simulation" severity failure;
    wait;
  end process;
end architecture bad;
