// Saving from the File menu without its dialogs: what is missing is named,
// and nothing is written.
#include "app/session_saving.h"

#include "support/case_names.h"

#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vantrel;

namespace {

struct NothingToSaveCase {
    const char* name;
    bool session; // the session as a script, else the journal as a trace
    const char* reason;
};

class NothingToSave : public ::testing::TestWithParam<NothingToSaveCase> {};

TEST_P(NothingToSave, NamesWhatIsMissingAndWritesNothing)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("saved");
    const SaveSources none; // neither a recorder nor a journal
    QString reason;
    const bool saved = GetParam().session ? saveSessionTo(path, none, reason) : saveJournalTo(path, none, reason);
    EXPECT_FALSE(saved);
    EXPECT_EQ(reason.toStdString(), GetParam().reason);
    EXPECT_FALSE(QFileInfo::exists(path));
}

INSTANTIATE_TEST_SUITE_P(Saving, NothingToSave,
                         ::testing::Values(NothingToSaveCase{"Session", true, "no session is recorded"},
                                           NothingToSaveCase{"Journal", false, "no journal is kept"}),
                         vantrel::test_names::ByName{});

} // namespace
