#include <gtest/gtest.h>

#include "store/pure/linebreaks.h"

namespace qb::store {
namespace {

TEST(NormaliseLineBreaks, LoneCrAndLfBecomeCrLf) {
    EXPECT_EQ(NormaliseLineBreaks("a\nb\rc", NoLeadBytes()), "a\r\nb\r\nc");
}

}  // namespace
}  // namespace qb::store
