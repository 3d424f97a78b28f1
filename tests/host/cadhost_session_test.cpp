// The parts of a person's session that need no terminal: completion of what is typed, the
// transcript held for the line editor, the summary of a command's changes and the listing of
// a module's commands.
#include "cadhost/drawing_changes.h"
#include "cadhost/module_exports.h"
#include "cadhost/session_words.h"
#include "cadhost/terminal_input.h"
#include "database/database_impl.h"
#include "dbdim.h"
#include "dbents.h"
#include "session/recorder.h"
#include "session/session.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

namespace {

using Words = std::vector<std::string>;

TEST(CadhostSessionTest, CompletionOffersCommandsFirstAndKeywordsAfter)
{
    const Words module = {"oblouk_delka_m", "oblouk_kota2_m", "oblouk_kota_m"};
    struct Case {
        const char* typed;
        Words expected;
    };
    const Case cases[] = {
        {"obl", {"oblouk_delka_m", "oblouk_kota2_m", "oblouk_kota_m"}},
        {"oblouk_k", {"oblouk_kota2_m", "oblouk_kota_m"}},
        {"  OBLOUK_D", {"oblouk_delka_m"}},
        {"", {"aperture", "arc", "circle", "dimstyle", "exit", "help", "layerkey", "line",
              "oblouk_delka_m", "oblouk_kota2_m", "oblouk_kota_m", "open", "pline", "point",
              "quit", "save", "setvar", "ucs", "wall"}},
        {"e", {"exit"}},
        {"ucs ", {"origin", "world", "x", "y", "z"}},
        {"UCS Wo", {"world"}},
        {"pline 0,0 1,1,0.5 c", {"closed"}},
        {"circle 0,0 ", {}},
        {"oblouk_kota_m x", {}},
        {"zzz", {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cadhost::completionsOf(c.typed, module), c.expected) << '"' << c.typed << '"';
    EXPECT_EQ(cadhost::commonPrefix({"oblouk_kota2_m", "oblouk_kota_m"}), "oblouk_kota");
    EXPECT_EQ(cadhost::commonPrefix({}), "");
}

TEST(CadhostSessionTest, TheTerminalTranscriptHoldsTheOpenLineAsThePrompt)
{
    std::ostringstream terminal;
    {
        cadhost::HeldPromptBuffer buffer(terminal, true);
        std::ostream transcript(&buffer);
        // At the start the cursor is at a line's start: the prompt's leading newline is dropped.
        transcript << "\nCommand: ";
        EXPECT_EQ(terminal.str(), "");
        EXPECT_EQ(buffer.takeOpenLine(), "Command: ");
        // The user ended the line with Enter; the next prompt does not add an empty line, but
        // a second newline is kept.
        buffer.noteLineStart();
        transcript << "\nPick: ";
        EXPECT_EQ(buffer.takeOpenLine(), "Pick: ");
        buffer.noteLineStart();
        transcript << "\n\n1\nDone";
        EXPECT_EQ(terminal.str(), "\n1\n");
        // What is still open at the end goes out.
    }
    EXPECT_EQ(terminal.str(), "\n1\nDone");

    std::ostringstream passed;
    {
        cadhost::HeldPromptBuffer buffer(passed, false);
        std::ostream transcript(&buffer);
        transcript << "\nCommand: ";
        EXPECT_EQ(passed.str(), "\nCommand: ");
        EXPECT_EQ(buffer.takeOpenLine(), "");
    }
}

class DrawingChangesTest : public ::testing::Test {
protected:
    void SetUp() override { cadhost::resetSession(); }
    AcDbObjectId add(AcDbEntity* entity)
    {
        AcDbObjectId id;
        EXPECT_EQ(cadhost::workingDatabase()->impl().appendEntity(entity, id), Acad::eOk);
        entity->close();
        return id;
    }
    static void erase(AcDbObjectId id, bool erasing = true)
    {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForWrite, true), Acad::eOk);
        EXPECT_EQ(entity->erase(erasing), Acad::eOk);
        entity->close();
    }
    static std::size_t now() { return cadhost::recorder().events().size(); }
};

TEST_F(DrawingChangesTest, CountsWhatStaysChangedAndLeavesOutWhatCameAndWent)
{
    const AcDbObjectId line = add(new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0)));
    const AcDbObjectId arc = add(new AcDbArc(AcGePoint3d(0, 0, 0), 2.0, 0.0, 1.0));
    const AcDbObjectId wasErased = add(new AcDbCircle(AcGePoint3d(5, 5, 0), AcGeVector3d::kZAxis, 1));
    erase(wasErased);
    const std::size_t start = now();
    EXPECT_EQ(cadhost::summarizeDrawingChanges(start), "");

    // A command: two temporary points, one kept, a dimension, an erased line, an arc written,
    // and a circle that was erased before and comes back.
    erase(add(new AcDbPoint(AcGePoint3d(1, 1, 0))));
    erase(add(new AcDbPoint(AcGePoint3d(2, 2, 0))));
    add(new AcDbPoint(AcGePoint3d(3, 3, 0)));
    auto* dim = new AcDb3PointAngularDimension(AcGePoint3d(0, 0, 0), AcGePoint3d(1, 0, 0),
                                               AcGePoint3d(0, 1, 0), AcGePoint3d(1, 1, 0));
    dim->setDimensionText(u"15,708");
    add(dim);
    erase(line);
    AcDbArc* written = nullptr;
    ASSERT_EQ(acdbOpenObject(written, arc, AcDb::kForWrite), Acad::eOk);
    written->setRadius(3.0);
    written->close();
    erase(wasErased, false);

    EXPECT_EQ(cadhost::summarizeDrawingChanges(start),
              "1 circle added, 1 point added, 1 dimension added (text \"15,708\"), "
              "1 line erased, 1 arc modified");
    EXPECT_EQ(cadhost::summarizeDrawingChanges(now()), "");
}

TEST(CadhostSessionTest, ModuleExportsAreItsOwnFunctionsAndBadFilesGiveNone)
{
    const std::string fixture = std::string(CADHOST_BIN_DIR) + "/fixtures/loader/LoaderModule.arx";
    const Words names = cadhost::exportedFunctionNames(fixture);
    for (const char* expected : {"acrxEntryPoint", "fixture_drag", "fixture_point"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;
    // Functions the module only imports from the host are not its exports.
    EXPECT_EQ(std::find(names.begin(), names.end(), "acedGetPoint"), names.end());

    std::ifstream in(fixture, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 4096u);
    const std::string path = ::testing::TempDir() + "cadhost_not_a_module";
    std::string cutInside = whole;
    // The section table's offset (bytes 0x28 to 0x2f) points far past the end.
    cutInside[0x2e] = '\x7f';
    for (const std::string& bad : {std::string(), std::string("not a module"), whole.substr(0, 64),
                                   whole.substr(0, whole.size() / 2), cutInside}) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bad;
        EXPECT_TRUE(cadhost::exportedFunctionNames(path).empty()) << bad.size();
    }
    std::remove(path.c_str());
    EXPECT_TRUE(cadhost::exportedFunctionNames("/no/such/module.arx").empty());
}

}  // namespace
