#include "progress_window.h"

#include "display_form.h"

#include "session/session.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantrel {

QString progressText(const Progress& p)
{
    QString text = QStringLiteral("Step %1 of %2: %3").arg(p.step).arg(p.steps).arg(fromBytes(p.label));
    if (p.msLeft > 0)
        text += QStringLiteral(" \u00b7 about %1 s left").arg((p.msLeft + 999) / 1000);
    return text;
}

ProgressWindow::ProgressWindow(Session& session)
    : QWidget(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint), m_session(session)
{
    setObjectName("RunProgress");
    setWindowTitle("Run in progress");
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(this);
    m_title->setObjectName("runName");
    QFont bold = m_title->font();
    bold.setBold(true);
    m_title->setFont(bold);
    m_step = new QLabel(this);
    m_step->setObjectName("runStep");
    m_step->setMinimumWidth(360);
    m_bar = new QProgressBar(this);
    m_stop = new QPushButton("&Stop after this step", this);
    m_stop->setObjectName("stopRun");
    layout->addWidget(m_title);
    layout->addWidget(m_step);
    layout->addWidget(m_bar);
    layout->addWidget(m_stop);
    connect(m_stop, &QPushButton::clicked, this, [this] {
        m_session.requestStop();
        m_stop->setEnabled(false);
        m_stop->setText("Stopping after this step\u2026");
    });
    m_session.addObserver(this);
}

ProgressWindow::~ProgressWindow() { m_session.removeObserver(this); }

void ProgressWindow::progressed(const Progress& p)
{
    if (!p.running) {
        hide();
        return;
    }
    if (!isVisible()) {
        m_stop->setEnabled(true);
        m_stop->setText("&Stop after this step");
        show();
    }
    m_title->setText(fromBytes(p.run));
    m_step->setText(progressText(p));
    m_bar->setRange(0, p.steps);
    m_bar->setValue(p.step);
}

} // namespace vantrel
