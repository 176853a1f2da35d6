-- Replays one case of the golden timing files through reportapp_timing_writer:
-- rising clock edges at the times of the case, valid high on the edges of its
-- output records, reset released on the edge of its start record.
-- REPLAY holds "S <time>" and "O <time> <clocks> <model1> <rtl1> ..." lines
-- (decimal values, or std_logic strings with BINARY), written from cases.json by golden_writers.py.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;
use work.reportapp_timing_pkg.all;

entity tb_timing_case is
  generic (
    FILE_NAME : string;
    REPLAY    : string;
    CHANNELS  : positive;
    WIDTH     : positive;
    BINARY    : boolean := false  -- values given as std_logic strings instead of decimal
  );
end entity tb_timing_case;

architecture replay of tb_timing_case is
  signal clk, valid : std_logic := '0';
  signal rst        : std_logic := '1';
  signal model, rtl : slv_array(0 to CHANNELS - 1)(WIDTH - 1 downto 0) := (others => (others => '0'));

  function bits(value : integer) return std_logic_vector is
  begin
    if value < 0 then
      return std_logic_vector(to_signed(value, WIDTH));
    end if;
    return std_logic_vector(to_unsigned(value, WIDTH));
  end function;
begin
  writer : entity work.reportapp_timing_writer
    generic map (FILE_NAME => FILE_NAME, CHANNELS => CHANNELS, WIDTH => WIDTH)
    port map (clk => clk, rst => rst, valid => valid, model => model, rtl => rtl);

  stimulus : process
    file events : text open read_mode is REPLAY;
    variable l : line;
    variable kind : character;
    variable at, clocks : integer;

    impure function read_value return std_logic_vector is
      variable number : integer;
      variable pattern : std_logic_vector(WIDTH - 1 downto 0);
      variable good : boolean;
    begin
      if BINARY then
        read(l, pattern, good);
        assert good report REPLAY & ": not a std_logic string of " & integer'image(WIDTH) & " bits" severity failure;
        return pattern;
      end if;
      read(l, number);
      return bits(number);
    end function;
    variable previous, spacing : time := 0 ns;

    -- One rising edge at time t, low again a quarter of the spacing later.
    procedure edge_at(t : time; pulse : time) is
    begin
      if t > now then
        wait for t - now;
      end if;
      clk <= '1';
      wait for pulse;
      clk <= '0';
    end procedure;
  begin
    while not endfile(events) loop
      readline(events, l);
      read(l, kind);
      read(l, at);
      if kind = 'S' then
        rst <= '0';
        edge_at(at * 1 ns, 250 ps);
      else
        read(l, clocks);
        for channel in 0 to CHANNELS - 1 loop
          model(channel) <= read_value;
          rtl(channel) <= read_value;
        end loop;
        spacing := (at * 1 ns - previous) / clocks;
        for step in 1 to clocks - 1 loop
          edge_at(previous + spacing * step, spacing / 4);
        end loop;
        valid <= '1';
        edge_at(at * 1 ns, spacing / 4);
        valid <= '0';
      end if;
      previous := at * 1 ns;
    end loop;
    wait;
  end process;
end architecture replay;
