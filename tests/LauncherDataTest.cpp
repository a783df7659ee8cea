#include <gtest/gtest.h>

#include "LauncherData.h"

namespace {

TEST(Pages, AddPageNamesByNewCount)
{
    ResetLauncherData();
    AddPage();
    AddPage();
    AddPage();
    AddPage();
    EXPECT_EQ(4, GetPageCount());
    EXPECT_STREQ("ページ &4", GetPageName(3));
    EXPECT_EQ(932u, GetACP());
}

}  // namespace
