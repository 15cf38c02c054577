// How the native INI document reads and rewrites files, as Wine does.
#include <gtest/gtest.h>

#include "platform/headless/IniDocument.h"
#include "tests/settings_cases/IniCases.h"

namespace {

using headless::IniDocument;

std::string ValueOf(const IniDocument& document, const char* section, const char* key) {
    const std::string* value = document.FindValue(section, key);
    return value ? *value : "(none)";
}

TEST(IniDocumentTest, NamesMatchWithoutCaseOrBlanks) {
    const IniDocument document = IniDocument::Parse("  [ PaRaMeTeR ]  \r\n  sAMPLEmODE \t=  3 \r\n");
    EXPECT_EQ(ValueOf(document, "PARAMETER", "SampleMode"), "3");
    EXPECT_EQ(ValueOf(document, " parameter\t", " samplemode "), "3");
}

TEST(IniDocumentTest, LinesEndAtAnyRunOfCrAndLf) {
    const IniDocument document = IniDocument::Parse("[A]\ra=1\n[S]\r\n\r\nk=2\n\rj=3");
    EXPECT_EQ(ValueOf(document, "A", "a"), "1");
    EXPECT_EQ(ValueOf(document, "S", "k"), "2");
    EXPECT_EQ(ValueOf(document, "S", "j"), "3");
}

TEST(IniDocumentTest, FirstSectionOfANameAndFirstKeyWin) {
    const IniDocument document = IniDocument::Parse("[S]\nk=1\nk=2\n[S]\nk=3\nj=4\n");
    EXPECT_EQ(ValueOf(document, "S", "k"), "1");
    EXPECT_EQ(ValueOf(document, "S", "j"), "(none)");
}

TEST(IniDocumentTest, LinesWithoutEqualsHaveNoValue) {
    const IniDocument document = IniDocument::Parse("[S]\nk\n;c=3\n[T\nt=1\n");
    EXPECT_EQ(ValueOf(document, "S", "k"), "(none)");
    EXPECT_EQ(ValueOf(document, "S", ";c"), "3");
    EXPECT_EQ(ValueOf(document, "S", "t"), "1");  // a broken header is just a line of [S]
}

TEST(IniDocumentTest, RewriteKeepsEveryLineButNotTheLayout) {
    IniDocument document = IniDocument::Parse("; top\n\n[A]\n; about a\na = 1\n\n[S]\nk  =  1\nz=2\n\n[B]\nb=3\n");
    EXPECT_TRUE(document.SetValue("s", "K", "5"));
    EXPECT_EQ(document.Serialize(), "; top\r\n[A]\r\n; about a\r\na=1\r\n[S]\r\nk=5\r\nz=2\r\n[B]\r\nb=3\r\n");
}

TEST(IniDocumentTest, MissingKeysAndSectionsAreAppended) {
    IniDocument document = IniDocument::Parse("[S]\nk=1\n[S]\nj=2\n[T]\n");
    EXPECT_TRUE(document.SetValue("S", "j", "5"));
    EXPECT_TRUE(document.SetValue("U", "u", " \t6 "));
    EXPECT_EQ(document.Serialize(), "[S]\r\nk=1\r\nj=5\r\n[S]\r\nj=2\r\n[T]\r\n[U]\r\nu=6 \r\n");
}

TEST(IniDocumentTest, SameValueIsNoChange) {
    IniDocument document = IniDocument::Parse("[S]\nk=abc\n");
    EXPECT_FALSE(document.SetValue("S", "k", "  abc"));
    EXPECT_TRUE(document.SetValue("S", "k", "ABC"));
}

TEST(IniDocumentTest, UtfEightMarkerIsKept) {
    IniDocument document = IniDocument::Parse("\xEF\xBB\xBF[S]\nk=8\n");
    EXPECT_EQ(ValueOf(document, "S", "k"), "8");
    EXPECT_TRUE(document.SetValue("S", "k", "5"));
    EXPECT_EQ(document.Serialize(), "\xEF\xBB\xBF[S]\r\nk=5\r\n");
}

TEST(IniDocumentTest, RewrittenFilesReadBackTheSame) {
    for (const inicases::IniCase& c : inicases::IniCases(inicases::IniCaseSet::Slice)) {
        // A NUL ends a name or value early, leaving blanks before it to the next rewrite, on Windows too.
        if (!c.file || c.file->find('\0') != std::string::npos) continue;
        const std::string once = IniDocument::Parse(*c.file).Serialize();
        EXPECT_EQ(IniDocument::Parse(once).Serialize(), once) << inicases::Describe(c);
    }
}

}  // namespace
