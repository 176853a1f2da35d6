-- Two-channel four-tap FIR filter: 16-bit samples (Q1.15), coefficients
-- 0.5, 0.75, 0.5, -0.25, products summed exactly, rounded to nearest (ties
-- upward) and saturated to 16 bits. One sample per channel on each clock with
-- in_valid; the result one clock later with out_valid. The same design as
-- fir2.v.
--
-- FAULT injects a known design error for the example flow:
--   0 none, 1 ties rounded downward, 2 overflow wraps instead of saturating,
--   3 the data path is left out of the reset.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity fir2 is
  generic (FAULT : natural range 0 to 3 := 0);
  port (
    clk, rst  : in  std_logic;
    in_valid  : in  std_logic;
    in0, in1  : in  signed(15 downto 0);
    out_valid : out std_logic;
    out0      : out signed(15 downto 0);
    out1      : out signed(15 downto 0)
  );
end entity fir2;

architecture rtl of fir2 is
  constant FAULT_TIES    : natural := 1;
  constant FAULT_WRAP    : natural := 2;
  constant FAULT_NORESET : natural := 3;
  type taps_t is array (0 to 3) of signed(15 downto 0);
  constant H : taps_t := (to_signed(16384, 16), to_signed(24576, 16), to_signed(16384, 16),
                          to_signed(-8192, 16));
  type delay_t is array (1 to 3) of signed(15 downto 0);
  signal x0, x1 : delay_t;  -- delay lines; U until reset (or until filled)

  -- Sum of products in Q2.30 plus headroom: 34 bits hold four 16 x 16 products.
  function taps(x : signed(15 downto 0); d : delay_t) return signed is
    variable sum : signed(33 downto 0);
  begin
    sum := resize(H(0) * x, 34) + resize(H(1) * d(1), 34) + resize(H(2) * d(2), 34)
           + resize(H(3) * d(3), 34);
    return sum;
  end function;

  -- Q2.30 to Q1.15: round to nearest (half an LSB added, then floor), saturate.
  function requantize(sum : signed(33 downto 0)) return signed is
    variable rounded : signed(33 downto 0);
  begin
    if FAULT = FAULT_TIES then
      rounded := shift_right(sum + 16383, 15);
    else
      rounded := shift_right(sum + 16384, 15);
    end if;
    if FAULT = FAULT_WRAP then
      return rounded(15 downto 0);
    elsif rounded > 32767 then
      return to_signed(32767, 16);
    elsif rounded < -32768 then
      return to_signed(-32768, 16);
    end if;
    return rounded(15 downto 0);
  end function;
begin
  process (clk)
  begin
    if rising_edge(clk) then
      if rst = '1' then
        out_valid <= '0';
        if FAULT /= FAULT_NORESET then
          x0 <= (others => (others => '0'));
          x1 <= (others => (others => '0'));
          out0 <= (others => '0');
          out1 <= (others => '0');
        end if;
      else
        out_valid <= in_valid;
        if in_valid = '1' then
          out0 <= requantize(taps(in0, x0));
          out1 <= requantize(taps(in1, x1));
          x0 <= in0 & x0(1 to 2);
          x1 <= in1 & x1(1 to 2);
        end if;
      end if;
    end if;
  end process;
end architecture rtl;
