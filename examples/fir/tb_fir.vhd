-- Testbench of fir2 for GHDL: reads one test vector (VECTOR: per sample one
-- line "in0 in1 model0 model1" in hex, the model's outputs computed by
-- model.tcl), feeds a sample every other clock and writes the timing file
-- (TIMING_FILE) through the project's writer. FAULT selects the design fault.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;
use work.reportapp_timing_pkg.all;

entity tb_fir is
  generic (
    VECTOR      : string;
    TIMING_FILE : string;
    FAULT       : natural range 0 to 3 := 0
  );
end entity tb_fir;

architecture replay of tb_fir is
  constant MAX_SAMPLES : natural := 4096;
  type words_t is array (0 to MAX_SAMPLES - 1) of std_logic_vector(15 downto 0);

  signal clk, in_valid, out_valid : std_logic := '0';
  signal rst                      : std_logic := '1';
  signal in0, in1, out0, out1     : signed(15 downto 0) := (others => '0');
  signal model, rtl               : slv_array(0 to 1)(15 downto 0);
  signal received                 : natural := 0;
  signal done                     : boolean := false;
  signal model0, model1           : words_t;
begin
  dut : entity work.fir2
    generic map (FAULT => FAULT)
    port map (clk => clk, rst => rst, in_valid => in_valid, in0 => in0, in1 => in1,
              out_valid => out_valid, out0 => out0, out1 => out1);

  -- The model values of the output the design gives next.
  model <= (model0(received), model1(received)) when received < MAX_SAMPLES
           else (others => (others => '0'));
  rtl <= (std_logic_vector(out0), std_logic_vector(out1));

  writer : entity work.reportapp_timing_writer
    generic map (FILE_NAME => TIMING_FILE, CHANNELS => 2, WIDTH => 16)
    port map (clk => clk, rst => rst, valid => out_valid, model => model, rtl => rtl);

  clk <= not clk after 5 ns when not done;

  process (clk)
  begin
    if rising_edge(clk) and out_valid = '1' then
      received <= received + 1;
    end if;
  end process;

  stimulus : process
    file words : text open read_mode is VECTOR;
    variable l : line;
    variable x0, x1, m0, m1 : std_logic_vector(15 downto 0);
    variable good : boolean;
    variable samples : natural := 0;
  begin
    wait until falling_edge(clk);
    wait until falling_edge(clk);
    wait until falling_edge(clk);
    rst <= '0';
    while not endfile(words) loop
      readline(words, l);
      hread(l, x0, good);
      if good then hread(l, x1, good); end if;
      if good then hread(l, m0, good); end if;
      if good then hread(l, m1, good); end if;
      assert good and samples < MAX_SAMPLES
        report VECTOR & ": line " & integer'image(samples + 1) & " is not four hex words (or over "
               & integer'image(MAX_SAMPLES) & " lines)" severity failure;
      model0(samples) <= m0;
      model1(samples) <= m1;
      samples := samples + 1;
      wait until rising_edge(clk);
      in_valid <= '1';
      in0 <= signed(x0);
      in1 <= signed(x1);
      wait until rising_edge(clk);
      in_valid <= '0';
    end loop;
    while received < samples loop
      wait until falling_edge(clk);
    end loop;
    done <= true;
    wait;
  end process;
end architecture replay;
