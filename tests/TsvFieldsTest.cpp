#include <gtest/gtest.h>

#include "text/TsvFields.h"

namespace {

struct Quoting {
    const char* name;
    std::string text, field;  // a name, and the field that holds it
};

void PrintTo(const Quoting& q, std::ostream* os) {
    *os << q.name;
}

class Fields : public ::testing::TestWithParam<Quoting> {};

// Quotes where a reader needs them and nowhere else; every text comes back whole.
TEST_P(Fields, QuoteOnlyWhatNeedsItAndReadBackWhole) {
    const Quoting& q = GetParam();
    EXPECT_EQ(TsvField(q.text), q.field);
    const std::string text = "head\t" + q.field + "\tend\r\n" + q.field + "\n";
    EXPECT_EQ(TsvRows(text), (std::vector<std::vector<std::string>>{{"head", q.text, "end"}, {q.text}}));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Fields,
    ::testing::Values(Quoting{"plain", "setosa-1", "setosa-1"}, Quoting{"NA", "NA", "NA"},
                      Quoting{"formula", "=1+2", "=1+2"}, Quoting{"comma", "a, b", "a, b"},
                      Quoting{"blankAtTheEnd", "a ", "a "},
                      Quoting{"quoteInside", "6\" tall", "\"6\"\" tall\""},
                      Quoting{"quoteFirst", "\"Best\" sample", "\"\"\"Best\"\" sample\""},
                      Quoting{"tab", "a\tb", "\"a\tb\""}, Quoting{"lineEnd", "a\nb", "\"a\nb\""},
                      Quoting{"carriageReturn", "a\rb", "\"a\rb\""}, Quoting{"blankFirst", " a", "\" a\""},
                      Quoting{"empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
