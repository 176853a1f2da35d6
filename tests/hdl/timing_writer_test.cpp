// The C++ timing-file writer (built as C++17, as a testbench would build it):
// the golden files byte for byte from cases.json, and the bad input that must
// stop a simulation instead of leaving a file that reads as valid.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "reportapp/timing_writer.hpp"

namespace fs = std::filesystem;

namespace {

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

fs::path GoldenDir() {
  const char* source = std::getenv("REPORTAPP_SOURCE_DIR");
  return fs::path(source != nullptr ? source : ".") / "tests" / "golden" / "timing";
}

class TimingWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("reportapp-timing-writer-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // The error text of a call that must throw.
  template <typename Call>
  static std::string ErrorOf(Call call) {
    try {
      call();
    } catch (const std::runtime_error& error) {
      return error.what();
    }
    ADD_FAILURE() << "no error";
    return {};
  }

  fs::path dir_;
};

TEST_F(TimingWriterTest, ReproducesEveryGoldenFile) {
  std::ifstream in(GoldenDir() / "cases.json");
  ASSERT_TRUE(in) << "cannot read " << GoldenDir() / "cases.json";
  const auto document = nlohmann::json::parse(in);
  int replayed = 0;
  for (const auto& c : document.at("cases")) {
    if (c.value("hdl_only", false)) {
      continue;  // unknown bits: only four-state writers have them
    }
    const std::string name = c.at("file");
    reportapp::TimingWriter timing((dir_ / name).string(), c.at("channels"), c.at("word_length"));
    std::uint64_t ticked = 0;
    for (const auto& event : c.at("events")) {
      if (event.at("kind") == "start") {
        timing.Start(event.at("time"));
        continue;
      }
      // The writer counts the clocks itself: tick as a testbench would.
      for (std::uint64_t i = 0, n = event.at("clocks"); i < n; ++i) {
        timing.Tick();
        ++ticked;
      }
      timing.Output(event.at("time"), event.at("model").get<std::vector<std::int64_t>>(),
                    event.at("rtl").get<std::vector<std::int64_t>>());
    }
    timing.Close();
    EXPECT_EQ(ReadAll(dir_ / name), ReadAll(GoldenDir() / name)) << name;
    ++replayed;
  }
  EXPECT_GE(replayed, 3);
}

TEST_F(TimingWriterTest, ValuesAreMaskedPatternsOfTheWordLength) {
  reportapp::TimingWriter timing((dir_ / "t.txt").string(), 1, 1);
  EXPECT_EQ(timing.Hex(-1), "1");
  EXPECT_EQ(timing.Hex(2), "0");
  reportapp::TimingWriter wide((dir_ / "w.txt").string(), 1, 64);
  EXPECT_EQ(wide.Hex(-2), "fffffffffffffffe");
  reportapp::TimingWriter odd((dir_ / "o.txt").string(), 1, 13);
  EXPECT_EQ(odd.Hex(-4096), "1000");
  EXPECT_EQ(odd.Hex(0x12345), "0345");
}

TEST_F(TimingWriterTest, BadInputNamesTheFileAndTheMismatch) {
  const std::string path = (dir_ / "kv_timing_Korvel_TestVector_1.txt").string();
  reportapp::TimingWriter timing(path, 2, 16);
  EXPECT_NE(ErrorOf([&] {
              timing.Output(10, {1, 2}, {1, 2});
            }).find("Output before Start"),
            std::string::npos);
  timing.Start(0);
  timing.Tick();
  const std::string error = ErrorOf([&] { timing.Output(10, {1, 2, 3}, {1, 2, 3}); });
  EXPECT_NE(error.find(path), std::string::npos) << error;
  EXPECT_NE(error.find("3 values"), std::string::npos) << error;
  EXPECT_NE(error.find("2 channels"), std::string::npos) << error;
  EXPECT_NE(ErrorOf([&] {
              timing.Output(10, {1, 2}, {1});
            }).find("the RTL record has 1 values"),
            std::string::npos);
  timing.Close();
  // A refused record leaves nothing behind.
  EXPECT_EQ(ReadAll(path), "0 start 0\n");

  EXPECT_NE(ErrorOf([&] { reportapp::TimingWriter(path, 0, 16); }).find("channel count 0"),
            std::string::npos);
  EXPECT_NE(ErrorOf([&] { reportapp::TimingWriter(path, 1, 65); }).find("word length 65"),
            std::string::npos);
  const std::string missing = (dir_ / "no" / "such" / "t.txt").string();
  const std::string open = ErrorOf([&] { reportapp::TimingWriter(missing, 1, 16); });
  EXPECT_NE(open.find(missing + ": cannot open"), std::string::npos) << open;
}

TEST_F(TimingWriterTest, TimesInNanosecondsFromSimulatorUnits) {
  EXPECT_EQ(reportapp::NsFromTicks(80000, -12), 80u);  // 1 ps precision
  EXPECT_EQ(reportapp::NsFromTicks(80499, -12), 80u);
  EXPECT_EQ(reportapp::NsFromTicks(80500, -12), 81u);
  EXPECT_EQ(reportapp::NsFromTicks(80, -9), 80u);
  EXPECT_EQ(reportapp::NsFromTicks(3, -6), 3000u);
  EXPECT_EQ(reportapp::NsFromSeconds(80e-9), 80u);
  EXPECT_EQ(reportapp::NsFromSeconds(1e-3), 1000000u);
}

}  // namespace
