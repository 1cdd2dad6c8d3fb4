#include "ProgressLine.h"

#include <gtest/gtest.h>
#include <sstream>

#include "AdminProcessTest.h"

namespace {

using Clock = std::chrono::steady_clock;

using ProgressOnATerminal = FileAdminTest;

} // namespace

TEST(ProgressLine, DrawsAtMostTenTimesASecondAndClearsItself) {
    Clock::time_point now{};
    std::ostringstream out;
    CProgressLine line(out, true, "records", [&] { return now; });
    line.Update(10, 0.01); // at once: a short command shows nothing
    EXPECT_EQ(out.str(), "");
    now += std::chrono::milliseconds(500);
    line.Update(50000, 0.25);
    EXPECT_EQ(out.str(), "\r50,000 records   25%  100,000 records/s  0:02 left\x1b[K");
    now += std::chrono::milliseconds(50);
    line.Update(60000, 0.3);
    EXPECT_EQ(out.str().find("60,000"), std::string::npos) << "within a tenth of a second";
    now += std::chrono::milliseconds(60);
    line.Update(70000, -1); // the whole not known: no share, no time left
    EXPECT_NE(out.str().find("\r70,000 records  114,754 records/s\x1b[K"), std::string::npos)
        << out.str();
    line.Finish();
    EXPECT_EQ(out.str().substr(out.str().size() - 4), "\r\x1b[K");

    std::ostringstream hidden;
    CProgressLine off(hidden, false, "records", [&] { return now += std::chrono::seconds(1); });
    off.Update(1, 0.5);
    off.Finish();
    EXPECT_EQ(hidden.str(), "");
    EXPECT_EQ(CProgressLine::Text(3723000, 0.5, 3723, "rows"),
              "3,723,000 rows   50%  1,000 rows/s  1:02:03 left");
}

TEST_F(ProgressOnATerminal, ImportShowsItOnlyWhereAPersonLooks) {
    InitWithUsers({"alice"});
    CImportFile file(AddressFile(0, 150000), false);
    // On a pseudo-terminal (script(1) runs the command on one).
    const std::string command = std::string(KELVO_TEST_ADMIN) + " --database " + m_database.Path() +
                                " import addresses --owner alice " + file.Path();
    auto terminal = CProcessRunner::Run("/usr/bin/script", {"-qfec", command, "/dev/null"},
                                        CProcessRunner::COptions{});
    ASSERT_EQ(terminal.status, 0) << terminal.err;
    EXPECT_NE(terminal.out.find(" records  "), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("\r\x1b[Kstored 150000 address records"), std::string::npos)
        << "the line is cleared before the result";
    auto quiet =
        CProcessRunner::Run("/usr/bin/script", {"-qfec", command + " --quiet", "/dev/null"},
                            CProcessRunner::COptions{});
    ASSERT_EQ(quiet.status, 0) << quiet.err;
    EXPECT_EQ(quiet.out.find('\x1b'), std::string::npos) << quiet.out;
    // Standard error a pipe: nothing but the result.
    auto piped = Admin({"import", "addresses", "--owner", "alice", file.Path()});
    ASSERT_EQ(piped.status, 0);
    EXPECT_EQ(piped.err, "");
}
