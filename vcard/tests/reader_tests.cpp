// The reader's file, line and value operations.
#include "vcard/reader.h"

#include "platform/oledate.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vcard::CardReader;
using vcard::CardRecord;

class TestReader : public CardReader {
public:
    using CardReader::line_;
    using CardReader::lineCursor_;
};

std::vector<std::string> PhysicalLines(std::string_view text) {
    TestReader r;
    r.LoadText(text);
    std::vector<std::string> lines;
    while (r.NextPhysicalLine())
        lines.push_back(r.CurrentLine());
    return lines;
}

TEST(ReaderLines, PhysicalLinesEndAtLfWithOrWithoutCr) {
    struct Case {
        std::string text;
        std::vector<std::string> lines;
    } cases[] = {
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\nb\r\nc", {"a", "b", "c"}}, // mixed ends: every LF ends its own line
        {"a\rb\nc", {"a\rb", "c"}},     // a CR alone ends nothing
        {"  a\n\tb\n", {"a", "\tb"}},   // spaces go, tabs stay
        {"a\n\nb", {"a", "", "b"}},
        {"", {}},
        {"   ", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PhysicalLines(c.text), c.lines) << c.text;
    }
    // A zero byte ends the text.
    EXPECT_EQ(PhysicalLines(std::string("ab\0c\nd", 6)), std::vector<std::string>{"ab"});
}

TEST(ReaderLines, MixedLineEndsKeepEveryProperty) {
    // An LF-ended line followed later by CR LF lines is not merged into them.
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\nN:Doe;Jane\nTITLE:Boss\r\nNICKNAME:JD\r\n"
                                         "END:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].LastName, u"Doe");
    EXPECT_EQ(cards[0].FirstName, u"Jane");
    EXPECT_EQ(cards[0].JobTitle, u"Boss");
    EXPECT_EQ(cards[0].NickName, u"JD");
}

TEST(ReaderLines, CrLfAndLfFilesGiveTheSameCards) {
    const std::string crlf = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:A\\,b;C\r\nTEL;TYPE=WORK:1\r\n"
                             "NOTE:x\\ny\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:Z\r\nEND:VCARD\r\n";
    std::string lf;
    for (char c : crlf)
        if (c != '\r')
            lf += c;
    auto a = CardReader::ReadRecords(crlf);
    auto b = CardReader::ReadRecords(lf);
    ASSERT_EQ(a.size(), 2u);
    ASSERT_EQ(b.size(), 2u);
    for (size_t i = 0; i < a.size(); ++i) {
        for (const auto& f : vcard::PutOrder()) {
            if (f.text != nullptr) {
                EXPECT_EQ(a[i].*f.text, b[i].*f.text);
            }
        }
    }
    EXPECT_EQ(a[0].LastName, u"A,b");
    EXPECT_EQ(a[0].Body, u"x\r\ny");
}

TEST(ReaderLines, PropertyLineNameAndCursor) {
    struct Case {
        const char* line;
        const char* name;
        size_t cursor;
    } cases[] = {
        {"item1.TEL;HOME:1", "TEL", 9},
        {"a.b.tel:1", "B.TEL", 7}, // only the first group goes
        {"note:x;y", "NOTE", 4},
        {"X-Y;Z:1", "X-Y", 3},
    };
    for (const Case& c : cases) {
        TestReader r;
        r.LoadText(std::string("no mark here\r\n") + c.line + "\r\n");
        ASSERT_TRUE(r.NextPropertyLine());
        EXPECT_EQ(r.PropertyName(), c.name);
        EXPECT_EQ(r.LineCursor(), c.cursor);
        EXPECT_FALSE(r.NextPropertyLine());
    }
}

TEST(ReaderCards, CountCards) {
    struct Case {
        std::string text;
        int32_t count;
    } cases[] = {
        {"BEGIN:VCARD\r\nEND:VCARD\r\njunk\r\nBEGIN:VCARD\r\nEND:VCARD\r\nx:y\r\n"
         "begin:vcard\r\nend:vcard\r\n",
         3},
        {"BEGIN:VCARD\r\nEND:VCARD\r\nBEGIN:VCARD\r\nN:x\r\n", 1}, // no END: not counted
        {"BEGIN;X=Y:VCARD\r\nEND:VCARD\r\n", 0},
        {"BEGIN:VCARD\r\nEND;X:VCARD\r\n", 0},
        {"BEGIN:VCARDS\r\nEND:VCARD\r\n", 1}, // text after :VCARD is not looked at
        {"", 0},
    };
    for (const Case& c : cases) {
        CardReader r;
        r.LoadText(c.text);
        EXPECT_EQ(r.CountLoadedCards(), c.count) << c.text;
        EXPECT_EQ(CardReader::ReadRecords(c.text).size(), static_cast<size_t>(c.count));
    }
}

TEST(ReaderCards, FileThatCannotBeOpenedCountsNothing) {
    CardReader r;
    EXPECT_LT(r.LoadFile(TP_TEST_SOURCE_DIR "/tests/data/cards/no-such-file.vcf"), 0);
    EXPECT_EQ(r.CountCards(TP_TEST_SOURCE_DIR "/tests/data/cards/no-such-file.vcf"), 0);
}

TEST(ReaderParameters, Tokens) {
    TestReader r;
    r.LoadText("TEL;type=work;TYPE=;x-y;Type=WORK,VOICE:1\r\n");
    ASSERT_TRUE(r.NextPropertyLine());
    std::vector<std::string> tokens;
    while (r.CurrentLine()[r.LineCursor()] == ';' && r.NextParameter())
        tokens.push_back(r.ParameterToken());
    EXPECT_EQ(tokens, (std::vector<std::string>{"WORK", "TYPE=", "X-Y", "WORK,VOICE"}));
    EXPECT_EQ(r.CurrentLine()[r.LineCursor()], ':');
}

TEST(ReaderValues, StoreValue) {
    struct Case {
        int32_t version;
        std::string text;
        std::u16string stored;
    } cases[] = {
        {30, "a\\,b", u"a,b"},
        {30, "x\\ny", u"x\r\ny"},
        {30, "x\\Ny", u"x\r\ny"},
        {30, "C:\\\\new", u"C:\\new"},
        {30, "a\\;b\\q", u"a\\;b\\q"}, // other escapes stay as they are
        {30, "end\\", u"end\\"},
        {21, "a\\,b", u"a\\,b"},
        {21, "x\\ny", u"x\\ny"},
        {21, " \t value \r\n\v\f", u"value"},
        {30, "   ", u""},
        {21, "caf\xe9", u"caf\u00e9"},
    };
    for (const Case& c : cases) {
        CardReader r;
        r.SetCardVersion(c.version);
        std::u16string field = u"old";
        r.StoreValue(field, c.text);
        EXPECT_EQ(field, c.stored) << c.text;
    }
}

TEST(ReaderValues, StoreComponent) {
    CardReader r;
    std::u16string a = u"keep", b, c;
    std::string_view rest = r.StoreComponent(a, ";x;y;z");
    EXPECT_EQ(a, u"keep"); // an empty component leaves the field
    rest = r.StoreComponent(b, rest);
    EXPECT_EQ(b, u"x");
    r.StoreValue(c, rest);
    EXPECT_EQ(c, u"y;z"); // the last component keeps further ';'
    EXPECT_TRUE(r.StoreComponent(b, "last").empty());
    EXPECT_EQ(b, u"last");
}

TEST(ReaderValues, QuotedPrintableDecode) {
    struct Case {
        std::string in;
        bool ok;
        std::string out;
    } cases[] = {
        {"caf=E9", true, "caf\xe9"},
        {"a=\r\nb", true, "ab"},
        {"=0D=0A", true, "\r\n"},
        {"x\r\ny", true, "xy"},
        {"=4G", true, std::string(1, '\x04')},
        {"=G4", true, std::string(1, '\0')},
        {"=3d", true, "="},
        // No valid escape: decoded so far, then the rest as it stands.
        {"ab=", false, "ab="},
        {"a=E9=?x=41", false, "a\xe9=?x=41"},
        {"=\rz", false, "=\rz"},
        {"x=A", true, "x\x0a"},
    };
    for (const Case& c : cases) {
        std::string out(c.in.size(), '\x7f');
        size_t len = 99;
        EXPECT_EQ(vcard::QuotedPrintableDecode(c.in.data(), c.in.size(), &out[0], &len), c.ok)
            << c.in;
        ASSERT_LE(len, c.in.size());
        EXPECT_EQ(out.substr(0, len), c.out) << c.in;
    }
}

TEST(ReaderValues, QuotedPrintableContinuationKeepsLeadingSpaces) {
    // A soft break just before a space: the space opens the next line.
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\r\nNOTE;ENCODING=QUOTED-PRINTABLE:one=\r\n"
                                         " two=\r\n  three\r\nEND:VCARD\r\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].Body, u"one two  three");
}

TEST(ReaderValues, QuotedPrintableLineEndsInsideTheValue) {
    auto cards = CardReader::ReadRecords("BEGIN:VCARD\nNOTE;QUOTED-PRINTABLE:a=0D=0Ab=\nc\n"
                                         "END:VCARD\n");
    ASSERT_EQ(cards.size(), 1u);
    EXPECT_EQ(cards[0].Body, u"a\r\nbc");
}

TEST(ReaderValues, ParseDate) {
    double jan1970 = 0.0;
    ASSERT_TRUE(platform::FieldsToOleDate(1970, 1, 1, 0, 0, 0, &jan1970));
    const double old = 1234.0;
    struct Case {
        const char* line;
        double expected;
    } cases[] = {
        {"BDAY:1970-01-01", jan1970},
        {"BDAY:1970-1-1", jan1970},
        {"BDAY:1970-01-01T10:00:00Z", jan1970},
        {"BDAY:19700101", jan1970},
        {"BDAY: 1970-01-01", jan1970},
        {"BDAY:--0101", old},
        {"BDAY:1970", old},
        {"BDAY:", old},
        {"BDAY:1970-13-45", 0.0}, // read, but rejected by the conversion
        {"BDAY:99999999999-1-1", 0.0},
    };
    for (const Case& c : cases) {
        TestReader r;
        r.LoadText(c.line);
        ASSERT_TRUE(r.NextPropertyLine());
        double field = old;
        r.ParseDate(field);
        EXPECT_EQ(field, c.expected) << c.line;
    }
}

} // namespace
