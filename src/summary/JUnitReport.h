// The JUnit XML form of a run's results, as Jenkins, GitLab and GitHub read
// it: one test suite "reportapp verify", one test case per timing file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "summary/RunSummary.h"

// The default form validates against the schema the Jenkins xUnit plugin
// checks (junit-10.xsd). GitLab's form adds the test case attribute "file"
// (the timing file) that its test report shows; GitHub's adds "file" and
// "line" (of the first disagreement) that annotation actions read. Neither
// attribute is in that schema.
enum class EJUnitFlavor { kJenkins, kGitLab, kGitHub };

// "jenkins", "gitlab", "github"; false for another text.
bool ParseJUnitFlavor(std::string_view name, EJUnitFlavor& flavor);

struct CJUnitForm {
  EJUnitFlavor flavor = EJUnitFlavor::kJenkins;
  // The folder "file" attributes are relative to; "" the current directory.
  std::string workingDirectory;
};

// A failure's or error's text is cut to this many bytes, a message to
// kJUnitMessageLimit, on a character boundary and with a note saying so.
inline constexpr std::size_t kJUnitBodyLimit = 64 * 1024;
inline constexpr std::size_t kJUnitMessageLimit = 4 * 1024;

// classname is "<project folder name>.<rtl|impl>", name the timing file's
// base name (its path where two files share a base name). A disagreement is
// a failure of type "mismatch" listing the first disagreements, an error an
// <error>, an empty file a failure of type "empty" or, with allowEmpty,
// <skipped>.
std::string SummaryToJUnit(const CRunSummary& summary, bool allowEmpty,
                           const CJUnitForm& form = {});
