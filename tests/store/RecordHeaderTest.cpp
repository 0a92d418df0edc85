// A record class's header leaves the C library's EOF macro to whoever includes it: code beside the record
// classes that reads C streams keeps compiling.

#include "store/clsTEST_RESULT.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

TEST(RecordHeaders, LeaveTheCLibraryEndOfFileMacroDefined) {
    EXPECT_EQ(EOF, std::char_traits<char>::eof());
}
