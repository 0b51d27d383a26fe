#include <gtest/gtest.h>

#include <algorithm>

#include "common/MessageCatalog.h"

using namespace tess;

TEST(MessageCatalog, TextsAreExactIncludingTheirLineBreaksAndBlanks) {
    struct Case {
        long code;
        std::wstring text;
    } cases[] = {
        {12, L"Enter your email address. "},
        {23, L"Checking '"},
        {24, L"' is not allowed."},
        {399, L"Unable to continue with the MS Exchange Server backup operation. Ensure that MS Exchange Server "
              L"2000 with service pack 3 or higher is installed on your computer."},
        {400, L"Unable to retrieve the information from the MS Exchange Server.\r\nVerify if it is running."},
        {570, L"Do you want to view the logs for the MS SQL Server data transfer?\r\n\r\n"},
        {574, L"Insufficient disk space to ship the data"},
        {576, L"Some of the components are missing. Please Re-install the application."},
        {577, L"Unable to continue with the SharePoint Server backup operation. Ensure that SharePoint Server is "
              L"installed on your computer."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(GetMessageText(c.code), c.text);
    }
}

TEST(MessageCatalog, SharedTextsAndCodesWithoutText) {
    const std::wstring notAccessible = L"Folder/drive is not accessible. Verify the permissions.";
    for (long code : {17L, 18L, 182L, 183L}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(GetMessageText(code), notAccessible);
    }
    EXPECT_EQ(GetMessageText(21), GetMessageText(400));
    EXPECT_EQ(GetMessageText(180), GetMessageText(181));
    EXPECT_EQ(GetMessageText(196), GetMessageText(197));
    EXPECT_EQ(GetMessageText(23) + L"Public Folders" + GetMessageText(24), L"Checking 'Public Folders' is not allowed.");

    for (long code : {0L, -1L, -576L, 1L, 13L, 22L, 1011L, 1012L, 2147483647L}) {
        SCOPED_TRACE(code);
        EXPECT_EQ(GetMessageText(code), L"");
    }
}

TEST(MessageCatalog, EveryListedCodeLiesInTheValidRangeAndHasAText) {
    auto codes = MessageCatalogCodes();
    EXPECT_EQ(codes.size(), 33u);
    EXPECT_TRUE(std::is_sorted(codes.begin(), codes.end()));
    EXPECT_EQ(std::adjacent_find(codes.begin(), codes.end()), codes.end());
    for (long code : codes) {
        SCOPED_TRACE(code);
        EXPECT_GE(code, 1);
        EXPECT_LE(code, 1011);
        EXPECT_FALSE(GetMessageText(code).empty());
    }
}
