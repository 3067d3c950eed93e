// Keeps a widget showing one of the session's boxes: a line in display form
// (control pictures), a multi-line box with each control byte as a short
// coloured mark. The session holds the exact bytes; the widget only shows them.
//
// A box holds up to Session::kBoxLimit bytes, more than Qt lays out quickly
// (a megabyte on one line takes seconds and hundreds of megabytes), so a
// multi-line view shows at most the newest kShownBytes of it and a line at
// most its first kLineShown characters, and each says what it leaves out.
#pragma once

#include "session/session_observer.h"

#include <QFont>
#include <QString>

class QLineEdit;
class QPlainTextEdit;

namespace vantrel {

class Session;

// The line a view shows above a box that has dropped its oldest bytes.
QString droppedNote(std::size_t dropped);
// The line a view shows above the part of a box it shows, when the box holds
// `hidden` older bytes that the view leaves out.
QString hiddenNote(std::size_t hidden);

class BoxBinding : public SessionObserver {
public:
    // With `fitWidth` the line's face shrinks for a long text so that the whole
    // text shows, and the whole text is its tooltip as well.
    BoxBinding(Session& session, Box box, QLineEdit* line, bool fitWidth = false);
    BoxBinding(Session& session, Box box, QPlainTextEdit* text);
    ~BoxBinding() override;
    BoxBinding(const BoxBinding&) = delete;
    BoxBinding& operator=(const BoxBinding&) = delete;

    void boxChanged(Box box, std::string_view text) override;
    void boxAppended(Box box, std::string_view appended, std::string_view whole) override;

    // The most a multi-line view shows of its box (the newest bytes), and the
    // most a line shows (the first characters).
    static constexpr std::size_t kShownBytes = std::size_t(64) << 10;
    static constexpr qsizetype kLineShown = 4096;
    // The bytes of the box the multi-line view shows now.
    std::size_t shownBytes() const { return m_shown; }

private:
    // Shows the newest `keep` bytes of the box (from a line start near the cut).
    void showTail(std::string_view whole, std::size_t keep);
    void useFixedFace();

    Session& m_session;
    Box m_box;
    QLineEdit* m_line = nullptr;
    QPlainTextEdit* m_text = nullptr;
    bool m_fitWidth = false;
    QFont m_baseFont;
    bool m_fixedFace = false; // a multi-line view's fixed-width face, set with its first text
    std::size_t m_shown = 0;
};

} // namespace vantrel
