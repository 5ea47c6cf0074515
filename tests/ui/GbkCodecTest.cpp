#include "GbkCodec.h"

#include "GbkText.h"

#include <gtest/gtest.h>

using namespace korvane;

namespace {

TEST(GbkCodec, RoundTripsChineseText) {
    const QString nick = QString::fromUtf8("小店 a-1 旗舰店");
    EXPECT_EQ(ToGbk(nick), test::Gbk("小店 a-1 旗舰店"));
    EXPECT_EQ(FromGbk(test::Gbk("小店 a-1 旗舰店")), nick);
    EXPECT_EQ(ToGbk(QString()), "");
}

TEST(GbkCodec, CharactersGbkLacksBecomeQuestionMarks) {
    // An emoji (outside the BMP) and a Hangul syllable have no GBK form.
    EXPECT_EQ(ToGbk(QString::fromUtf8("a😀b한c")), "a?b?c");
}

TEST(GbkCodec, BytesThatAreNotGbkShowAsReplacement) {
    EXPECT_EQ(FromGbk("a\xFF"
                      "b"),
              QString::fromUtf8("a\xEF\xBF\xBD"
                                "b"));
    // A lead byte cut off at the end of the text.
    EXPECT_EQ(FromGbk("ab\xD5"), QString::fromUtf8("ab\xEF\xBF\xBD"));
}

} // namespace
