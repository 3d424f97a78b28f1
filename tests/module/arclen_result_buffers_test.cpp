// The result buffer helpers: which group codes carry strings, the records the module makes and
// frees itself, and finding records and points in an entity definition list.
#include "arclen/ResultBuffers.h"
#include "module_test_support.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct GroupCodeCase {
    short code;
    bool carriesString;
};

void PrintTo(const GroupCodeCase& c, std::ostream* os) { *os << "group " << c.code; }

class StringGroupCodes : public ::testing::TestWithParam<GroupCodeCase> {};

TEST_P(StringGroupCodes, AreThoseOfTheStringRanges)
{
    resbuf record{};
    record.restype = GetParam().code;
    EXPECT_EQ(isStringGroupCode(&record), GetParam().carriesString) << GetParam().code;
}

INSTANTIATE_TEST_SUITE_P(
    ArcLen, StringGroupCodes,
    ::testing::Values(GroupCodeCase{-1, false}, GroupCodeCase{0, true}, GroupCodeCase{9, true},
                      GroupCodeCase{10, false}, GroupCodeCase{99, false},
                      GroupCodeCase{100, true}, GroupCodeCase{101, false},
                      GroupCodeCase{102, true}, GroupCodeCase{103, false},
                      GroupCodeCase{105, true}, GroupCodeCase{299, false},
                      GroupCodeCase{300, true}, GroupCodeCase{369, true},
                      GroupCodeCase{370, false}, GroupCodeCase{389, false},
                      GroupCodeCase{390, true}, GroupCodeCase{399, true},
                      GroupCodeCase{400, false}, GroupCodeCase{410, true},
                      GroupCodeCase{419, true}, GroupCodeCase{420, false},
                      GroupCodeCase{998, false}, GroupCodeCase{999, true},
                      GroupCodeCase{1009, true}, GroupCodeCase{1010, false},
                      GroupCodeCase{RTSHORT, false}, GroupCodeCase{RTSTR, false}));

TEST(ResultBuffers, NoRecordCarriesNoString) { EXPECT_FALSE(isStringGroupCode(nullptr)); }

TEST(ResultBuffers, NewRecordIsZeroFilledWithItsCode)
{
    resbuf* record = nullptr;
    ASSERT_TRUE(newResultBuffer(record, 70));
    const CModuleResultBuffer owned(record);
    EXPECT_EQ(record->restype, 70);
    EXPECT_EQ(record->rbnext, nullptr);
    EXPECT_EQ(record->resval.rpoint[0], 0.0);
    EXPECT_EQ(record->resval.rpoint[1], 0.0);
    EXPECT_EQ(record->resval.rpoint[2], 0.0);
}

TEST(ResultBuffers, NewStringRecordHoldsACopy)
{
    ACHAR text[] = u"POINT";
    resbuf* record = nullptr;
    ASSERT_TRUE(newResultBuffer(record, 1, text));
    const CModuleResultBuffer owned(record);
    text[0] = u'X';
    ASSERT_NE(record->resval.rstring, nullptr);
    EXPECT_EQ(std::u16string(record->resval.rstring), u"POINT");
}

TEST(ResultBuffers, StringForACodeWithoutStringsIsRefused)
{
    resbuf* record = nullptr;
    EXPECT_FALSE(newResultBuffer(record, 10, u"text"));
    EXPECT_EQ(record, nullptr);
}

TEST(ResultBuffers, FreeingAChainFreesItsStrings)
{
    // Under the address sanitizer a leaked string or record fails the run.
    resbuf* first = nullptr;
    resbuf* second = nullptr;
    resbuf* third = nullptr;
    ASSERT_TRUE(newResultBuffer(first, 0, u"POINT"));
    ASSERT_TRUE(newResultBuffer(second, 10));
    ASSERT_TRUE(newResultBuffer(third, 1000, u"note"));
    first->rbnext = second;
    second->rbnext = third;
    freeResultBufferList(first);
    freeResultBufferList(nullptr);
}

/// A definition list of records with the given codes; each point record holds (code, i, 0).
class DefinitionList {
public:
    explicit DefinitionList(const std::vector<short>& codes)
    {
        m_records.reserve(codes.size());
        for (short code : codes) {
            resbuf record{};
            record.restype = code;
            record.resval.rpoint[0] = code;
            record.resval.rpoint[1] = static_cast<double>(m_records.size());
            m_records.push_back(record);
        }
        for (std::size_t i = 0; i + 1 < m_records.size(); ++i)
            m_records[i].rbnext = &m_records[i + 1];
    }
    resbuf* at(std::size_t i) { return &m_records[i]; }

private:
    std::vector<resbuf> m_records;
};

TEST(ResultBuffers, FindsTheFirstRecordWithTheCode)
{
    DefinitionList list({-1, 0, 8, 10, 10});
    EXPECT_EQ(findByGroupCode(list.at(0), 10), list.at(3));
    EXPECT_EQ(findByGroupCode(list.at(0), -1), list.at(0));
    EXPECT_EQ(findByGroupCode(list.at(0), 11), nullptr);
    EXPECT_EQ(findByGroupCode(nullptr, 0), nullptr);
}

struct PointReadCase {
    const char* description;
    std::vector<short> codes;
    std::size_t start;
    bool found;
    double index;  ///< the index of the record read, when found
};

TEST(ResultBuffers, ReadsThePointOfTheEntityAtHand)
{
    const PointReadCase cases[] = {
        {"after the type", {-1, 0, 8, 10}, 1, true, 3},
        {"past leading negative codes", {-2, -1, 10, 0, 10}, 0, true, 2},
        {"first of two", {0, 10, 10}, 0, true, 1},
        {"not past the next entity", {0, 8, 0, 10}, 0, false, 0},
        {"at the end of the chain", {0, 8, 62}, 0, false, 0},
        {"on the start record itself", {10, 0, 10}, 0, true, 0},
    };
    for (const PointReadCase& c : cases) {
        DefinitionList list(c.codes);
        AcGePoint3d point(-5, -5, -5);
        readPointByGroupCode(list.at(c.start), point, 10);
        if (c.found)
            EXPECT_EQ(point, AcGePoint3d(10, c.index, 0)) << c.description;
        else
            EXPECT_EQ(point, AcGePoint3d(-5, -5, -5)) << c.description;
    }
}

}  // namespace
