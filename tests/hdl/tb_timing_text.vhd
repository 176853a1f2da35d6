-- The VHDL writer's texts at their edges: times past 2**31 ns and rounded to
-- the nearest ns, digits of every std_logic value, widths that are not a
-- multiple of four. Fails (severity failure) on the first wrong text.
library ieee;
use ieee.std_logic_1164.all;
use work.reportapp_timing_pkg.all;

entity tb_timing_text is
end entity tb_timing_text;

architecture check of tb_timing_text is
  procedure expect(actual, wanted, what : string) is
  begin
    assert actual = wanted report what & ": """ & actual & """, expected """ & wanted & """"
      severity failure;
  end procedure;
begin
  process
  begin
    expect(timing_ns(0 ns), "0", "time 0");
    expect(timing_ns(80 ns), "80", "80 ns");
    expect(timing_ns(80499 ps), "80", "80.499 ns");
    expect(timing_ns(80500 ps), "81", "80.5 ns");
    expect(timing_ns(1 sec), "1000000000", "1 s");
    expect(timing_ns(2500 ms), "2500000000", "2.5 s, past 2**31 ns");
    expect(timing_ns(3 sec + 999999999500 ps), "4000000000", "a carry into the seconds");
    expect(timing_hex("1"), "1", "one bit");
    expect(timing_hex("Z"), "z", "one floating bit");
    expect(timing_hex("10101"), "15", "five bits");
    expect(timing_hex("LHHL"), "6", "weak levels");
    expect(timing_hex("0U00"), "x", "U");
    expect(timing_hex("W000"), "x", "W");
    expect(timing_hex("000-"), "x", "don't care");
    expect(timing_hex("ZZZ1"), "x", "partly floating");
    expect(timing_hex("ZZXZ"), "x", "floating and unknown");
    expect(timing_hex("ZZZZ1111"), "zf", "a floating digit");
    expect(timing_hex("Z1111"), "zf", "a floating partial digit");
    report "tb_timing_text: all texts as expected";
    wait;
  end process;
end architecture check;
