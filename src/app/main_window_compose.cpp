// The main window's compose window (File → New call…) and Edit and resend
// from the journal and the record inspector.
#include "main_window.h"

#include "beside_main.h"

#include "compose/compose_window.h"
#include "compose/member_list.h"
#include "inspector/record_inspector.h"

namespace vantrel {

void MainWindow::setComposeMembers(MemberList members)
{
    m_composeMembers = std::move(members);
    if (m_compose)
        m_compose->setMembers(m_composeMembers ? m_composeMembers() : std::vector<compose::MemberEntry>());
}

void MainWindow::showCompose()
{
    // Made when first asked for: a window nobody opens costs nothing.
    if (!m_compose) {
        m_compose = std::make_unique<compose::ComposeWindow>(session());
        m_compose->setMembers(m_composeMembers ? m_composeMembers() : std::vector<compose::MemberEntry>());
    }
    placeBesideMain(*m_compose, *this);
    m_compose->show();
    m_compose->raise();
    m_compose->activateWindow();
}

void MainWindow::editAndResend(const CallEvent& call)
{
    showCompose();
    m_compose->compose(compose::composedFrom(call.access, call.member, call.argument));
}

void MainWindow::connectEditAndResend()
{
    m_inspector->setEditAndResend([this](const CallEvent& call) { editAndResend(call); });
}

} // namespace vantrel
