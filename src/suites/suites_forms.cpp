#include "suites_forms.h"

#include <QCoreApplication>
#include <QFile>
#include <QTimer>

namespace vantrel::suites {

TestFunctionForm::TestFunctionForm(Session& session, QWidget* owner)
    : Form(session, kTestFunctionForm, kTestFunctionCaption, kTestFunctionSize, owner)
{
    // The sample image lies next to the executable.
    // Beside the executable (the build folder), then where the package installs it.
    m_state.imagePaths = {
        QFile::encodeName(QCoreApplication::applicationDirPath() + "/" + QString::fromLatin1(kImageFileName)).toStdString(),
        std::string(VANTREL_DATADIR "/") + kImageFileName};
    addButtons(testFunctionButtons(m_state));
}

GraphicsDisplayForm::GraphicsDisplayForm(Session& session, QWidget* owner)
    : Form(session, kGraphicsDisplay, kGraphicsDisplayCaption, kGraphicsDisplaySize, owner)
{
    addButtons(graphicsDisplayButtons());
}

IxCatTestForm::IxCatTestForm(Session& session, QWidget* owner)
    : Form(session, kIxCatTestForm, kIxCatTestCaption, kIxCatTestSize, owner)
{
    addButtons(ixCatTestButtons(m_state));
    addTimer("Timer1", kIxCatTimerMs, [this](Session&) { ixCatTimerTick(m_state); }, true);
}

} // namespace vantrel::suites
