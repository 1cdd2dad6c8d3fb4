#include "BackendLoader.h"

#include <cstdlib>
#include <gtest/gtest.h>

#include "BackendTable.h"
#include "ProcessRunner.h"

namespace {

// Sets $KELVO_LIBRARY for one test.
class LibraryVariable {
public:
    explicit LibraryVariable(const char* path) { setenv("KELVO_LIBRARY", path, 1); }
    ~LibraryVariable() { unsetenv("KELVO_LIBRARY"); }
};

} // namespace

TEST(BackendLoader, FillsEveryOperationFromTheRealLibrary) {
    LibraryVariable variable(KELVO_TEST_LIBRARY);
    CBackendLoader loader;
    CBackendTable table;
    std::string error;
    ASSERT_TRUE(loader.Load(table, error)) << error;
    EXPECT_EQ(table.FirstMissing(), nullptr);
    EXPECT_EQ(loader.LibraryPath(), KELVO_TEST_LIBRARY);
    char field[3];
    ASSERT_TRUE(table.kvCopyText(field, "xyz", sizeof(field)));
    EXPECT_STREQ(field, "xy");
}

TEST(BackendLoader, MissingFileIsNamed) {
    LibraryVariable variable("/nonexistent/libkelvo.so");
    CBackendLoader loader;
    CBackendTable table;
    std::string error;
    EXPECT_FALSE(loader.Load(table, error));
    EXPECT_NE(error.find("/nonexistent/libkelvo.so"), std::string::npos) << error;
    EXPECT_EQ(table.kvShutdown, nullptr) << "the table is left as it was";
}

TEST(BackendLoader, MissingOperationIsNamedWithTheFile) {
    LibraryVariable variable(KELVO_TEST_INCOMPLETE_LIBRARY);
    CBackendLoader loader;
    CBackendTable table;
    std::string error;
    EXPECT_FALSE(loader.Load(table, error));
    EXPECT_NE(error.find(KELVO_TEST_INCOMPLETE_LIBRARY), std::string::npos) << error;
    EXPECT_NE(error.find("kvCopyText"), std::string::npos) << "the first one it lacks: " << error;
    EXPECT_EQ(table.FirstMissing(), std::string("kvShutdown"));
}

TEST(BackendLoader, SearchesBesideTheExecutableThenTheSystemPath) {
    unsetenv("KELVO_LIBRARY");
    std::vector<std::string> candidates = CBackendLoader::Candidates();
    ASSERT_FALSE(candidates.empty());
    // The tests sit beside the library in the build's bin folder; then the
    // soname and the plain name on the system path.
    EXPECT_EQ(candidates,
              (std::vector<std::string>{KELVO_TEST_LIBRARY, "libkelvo.so.1", "libkelvo.so"}));
}

// The viewer itself, started without a usable library: a message naming the
// file (and the missing operation), exit status 1, and no window.
TEST(BackendLoader, ViewerRefusesToStartWithoutAUsableLibrary) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    for (const char* library : {"/nonexistent/libkelvo.so", KELVO_TEST_INCOMPLETE_LIBRARY}) {
        LibraryVariable variable(library);
        CProcessRunner::CResult result = CProcessRunner::Run(KELVO_TEST_VIEWER, {});
        EXPECT_EQ(result.status, 1) << library;
        EXPECT_NE(result.err.find(library), std::string::npos) << result.err;
        if (library == std::string(KELVO_TEST_INCOMPLETE_LIBRARY)) {
            EXPECT_NE(result.err.find("kvCopyText"), std::string::npos) << result.err;
        }
    }
}

TEST(BackendLoader, LibraryVersionMustServeTheHeader) {
    std::string error;
    EXPECT_TRUE(CBackendLoader::CheckVersion(KV_VERSION, "libkelvo.so", error));
    EXPECT_TRUE(CBackendLoader::CheckVersion(KV_VERSION + 1, "libkelvo.so", error))
        << "a newer minor version keeps what this program uses";
    EXPECT_FALSE(CBackendLoader::CheckVersion(KV_VERSION - 1, "/lib/old.so", error));
    EXPECT_NE(error.find("/lib/old.so"), std::string::npos) << error;
    EXPECT_NE(error.find("1." + std::to_string(KV_VERSION_MINOR - 1)), std::string::npos)
        << "the version found is named: " << error;
    EXPECT_FALSE(CBackendLoader::CheckVersion((KV_VERSION_MAJOR + 1) << 16, "x.so", error));
}
