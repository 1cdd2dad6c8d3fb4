#include <gtest/gtest.h>

#include <cstdlib>

#include "BackendLoader.h"
#include "BackendTable.h"

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
    EXPECT_EQ(candidates.back(), "libkelvo.so");
    // The tests sit beside the library in the build's bin folder.
    ASSERT_EQ(candidates.size(), 2u);
    EXPECT_EQ(candidates.front(), KELVO_TEST_LIBRARY);
}
