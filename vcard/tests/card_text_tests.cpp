// The text layer: type parameters, 3.0 escaping, quoted-printable, dates.
#include "vcard/card_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vcard {
namespace {

std::string Repeat(char c, size_t n) {
    return std::string(n, c);
}

// Decodes quoted-printable text with soft breaks, so round trips can be checked.
bool DecodeQuotedPrintable(const std::string& in, std::string* out) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    out->clear();
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] != '=') {
            out->push_back(in[i]);
            continue;
        }
        if (i + 2 >= in.size())
            return false;
        if (in.compare(i, 3, "=\r\n") == 0) {
            i += 2;
            continue;
        }
        const int hi = hex(in[i + 1]);
        const int lo = hex(in[i + 2]);
        if (hi < 0 || lo < 0)
            return false;
        out->push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

TEST(CardTextTest, TypeParameterFollowsVersion) {
    struct Case {
        VCardVersionCode code;
        std::vector<const char*> words;
        const char* expected;
    };
    const Case cases[] = {
        {kVCard21, {"WORK"}, ";WORK"},
        {kVCard30, {"WORK"}, ";TYPE=WORK"},
        {kVCard21, {"WORK", "FAX"}, ";WORK;FAX"},
        {kVCard30, {"WORK", "FAX"}, ";TYPE=WORK;TYPE=FAX"},
    };
    for (const Case& c : cases) {
        CardText card(c.code);
        for (const char* w : c.words)
            card.AppendTypeParameter(w);
        EXPECT_EQ(card.View(), c.expected) << "version " << c.code;
    }
}

TEST(CardTextTest, EscapeTextTable) {
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"a\\b,c\r\nd", "a\\\\b\\,c\\nd"},
        {"a\nb", "a\nb"},        // a lone LF stays a raw byte
        {"a\rb", "a\rb"},        // so does a lone CR
        {"x;y:z\t", "x;y:z\t"},  // semicolons, colons and tabs pass
        {"\r\r\n\n", "\r\\n\n"}, // only a CR directly before an LF pairs
        {"\\,", "\\\\\\,"},      // introduced backslashes are not doubled
        {"\\n", "\\\\n"},        // a literal backslash-n is not a line break
        {"", ""},
        {"\xE9,\xE9", "\xE9\\,\xE9"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(EscapeText(c.in), c.out) << "input: " << c.in;
}

TEST(CardTextTest, AppendOperationsEscapeOnlyIn30) {
    const std::u16string value = u"Smith, J.\\Jr.\r\nNext";
    CardText v21(kVCard21);
    v21.AppendEscaped(value);
    EXPECT_EQ(v21.View(), "Smith, J.\\Jr.\r\nNext");

    CardText v30(kVCard30);
    v30.AppendEscaped(value);
    v30.AppendEscaped(std::string_view("a,b"));
    EXPECT_EQ(v30.View(), "Smith\\, J.\\\\Jr.\\nNexta\\,b");

    // Plain values are never escaped.
    CardText plain(kVCard30);
    plain.AppendValueLine(u"+1 (555) 0100, ext\\2");
    EXPECT_EQ(plain.View(), "+1 (555) 0100, ext\\2\r\n");

    CardText lines(kVCard30);
    lines.AppendLine("BEGIN:VCARD");
    lines.Append("FN:");
    lines.AppendEscapedLine(u"");
    lines.AppendValueLine(u"");
    lines.AppendQuotedPrintable(u"");
    EXPECT_EQ(lines.View(), "BEGIN:VCARD\r\nFN:\r\n\r\n");
    lines.Clear();
    EXPECT_EQ(lines.Size(), 0u);
    EXPECT_EQ(lines.Data()[0], '\0');
}

TEST(CardTextTest, ConversionToAnsi) {
    CardText card(kVCard21);
    card.AppendValueLine(u"Caf\u00e9 \u4e2d");
    // é is in the code page; the CJK character is not and becomes its default.
    EXPECT_EQ(card.View(), "Caf\xE9 ?\r\n");
    card.Clear();
    card.AppendQuotedPrintable(u"\u00e9");
    EXPECT_EQ(card.View(), "=E9");
}

TEST(CardTextTest, QuotedPrintableTable) {
    const std::string soft = "=\r\n";
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {Repeat('a', 70), Repeat('a', 65) + soft + Repeat('a', 5)},
        {Repeat('a', 63) + " a", Repeat('a', 63) + " a" + soft},
        {Repeat('a', 64) + " ", Repeat('a', 64) + "=20" + soft},
        {Repeat('a', 64) + "\t", Repeat('a', 64) + "=09" + soft},
        {Repeat('a', 65), Repeat('a', 65) + soft},
        {Repeat('a', 64), Repeat('a', 64)},
        {Repeat('a', 62) + "=", Repeat('a', 62) + "=3D" + soft},
        {Repeat('a', 61) + "=", Repeat('a', 61) + "=3D"},
        {"\xE9", "=E9"},
        {"=", "=3D"},
        {"\r\n", "=0D=0A"},
        {"a=b", "a=3Db"},
        {".a", ".a"},           // a full stop at a line start stays
        {"a \r\n", "a =0D=0A"}, // a blank before a line end stays
        {std::string("\x00\x1F\x7F\xFF", 4), "=00=1F=7F=FF"},
        {"!<>~", "!<>~"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuotedPrintableEncode(c.in), c.out) << "input: " << c.in;
}

TEST(CardTextTest, QuotedPrintableLinesAndSizeOnRandomBytes) {
    std::mt19937 rng(20050516);
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t n : {1u, 21u, 22u, 23u, 100u, 1000u, 5000u}) {
        std::string in;
        for (size_t i = 0; i < n; ++i)
            in.push_back(static_cast<char>(byte(rng)));
        const std::string out = QuotedPrintableEncode(in);
        EXPECT_LE(out.size(), 3 * n + 3 * (n / 22)) << n;
        std::string decoded;
        ASSERT_TRUE(DecodeQuotedPrintable(out, &decoded)) << n;
        EXPECT_EQ(decoded, in) << n;
        // Every line carries at most 67 characters before its soft break.
        size_t start = 0;
        for (size_t at = out.find("=\r\n"); at != std::string::npos;
             at = out.find("=\r\n", start)) {
            EXPECT_LE(at - start, 67u);
            EXPECT_GE(at - start, 65u);
            start = at + 3;
        }
        EXPECT_LE(out.size() - start, 67u);
    }
}

TEST(CardTextTest, FormatOleDateTable) {
    const double timeOfDay = (13 * 3600 + 41 * 60 + 10) / 86400.0;
    struct Case {
        double date;
        const char* pattern;
        const char* expected;
    };
    const Case cases[] = {
        {29295.0, "%Y%m%d", "19800315"},
        {38488.5, "%Y%m%dT%H%M%S", "20050516T120000"},
        {38488.0 + timeOfDay, "%Y%m%dT%H%M%S", "20050516T134110"},
        {0.0, "%Y%m%dT%H%M%S", "18991230T000000"},
        {2.0, "%Y%m%d", "19000101"},
        {-1.25, "%Y%m%dT%H%M%S", "18991229T060000"},
        {949998.0, "%Y%m%d", "45010101"},
        {-657434.0, "%Y%m%d", "01000101"}, // 1 January 100, the first date
        {2958465.0, "%Y%m%d", "99991231"}, // 31 December 9999, the last
        {29295.0, "%d.%m.%Y %%Y", "15.03.1980 %Y"},
        {3000000.0, "%Y%m%d", "Invalid DateTime"},
        {-700000.0, "%Y%m%d", "Invalid DateTime"},
        {std::numeric_limits<double>::quiet_NaN(), "%Y%m%d", "Invalid DateTime"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatOleDate(c.date, c.pattern), c.expected) << c.date << " with " << c.pattern;
}

TEST(CardTextTest, GrowsWithoutLimit) {
    CardText card(kVCard21);
    const std::string line = Repeat('x', 1000);
    for (int i = 0; i < 100; ++i)
        card.AppendLine(line);
    EXPECT_EQ(card.Size(), 100u * 1002u);
    EXPECT_EQ(std::string(card.Data()).size(), card.Size());
}

} // namespace
} // namespace vcard
