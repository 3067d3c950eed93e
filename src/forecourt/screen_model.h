// What a reader terminal's screen shows. A display message is kept as sent
// and read into its parts: graphic mode, code sequences, fonts, text placed
// at a column and row, running text lines, soft key labels, the scrolling
// and signature marks. A sequence the display does not know is kept in
// place and flagged, never dropped. The XML display commands of the iX CAT
// terminal set the rest: the message window, soft key and data entry window
// properties, prompts with their additional texts, the prompt on show,
// images, and a secure prompt.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel::forecourt {

// One escape sequence of a display message, in the order it came.
struct EscapeSequence {
    enum class Kind { GraphicMode, Code000, CodeA, Font, Position, SoftKey, Unknown } kind = Kind::Unknown;
    std::string raw; // the bytes of the sequence, ESC included (the positioned text itself excluded)
    bool operator==(const EscapeSequence&) const = default;
};

struct ScreenText {
    std::string text;
    bool positioned = false;
    int column = 0, row = 0; // positioned text
    int line = 0;            // running text: its line, counting from 0
    std::string fontName;    // the font in effect, empty for the display's own
    int fontSize = 0;
    bool operator==(const ScreenText&) const = default;
};

struct SoftKeyLabel {
    int key = 0;
    std::string label;
    bool operator==(const SoftKeyLabel&) const = default;
};

struct Geometry {
    int top = 0, left = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

struct FontSpec {
    std::string name;
    int size = 0;
    int style = 0;
    bool operator==(const FontSpec&) const = default;
};

struct WindowProperties {
    std::string sequenceNumber; // of the command that set them
    std::string foreColor, backColor, verticalAlignment, horizontalAlignment;
    Geometry area;
    FontSpec font;
    bool operator==(const WindowProperties&) const = default;
};

struct SoftKeyProperties {
    std::string sequenceNumber;
    std::string foreColor, alignment;
    int pixelsFromEdge = 0, width = 0, height = 0;
    FontSpec font;
    bool operator==(const SoftKeyProperties&) const = default;
};

struct PromptLine {
    std::string id;
    std::string text;
    std::string horizontalAlignment, verticalAlignment;
    FontSpec font;
    Geometry area;
    bool operator==(const PromptLine&) const = default;
};

struct Prompt {
    std::string language;
    std::string description;
    PromptLine main; // the prompt text itself; its id is the prompt's id
    std::vector<PromptLine> additional;
    bool operator==(const Prompt&) const = default;
};

struct ImageDetails {
    std::string filename, language;
    std::string data; // the image text as the XML reader gives it (line ends as LF)
    bool operator==(const ImageDetails&) const = default;
};

struct SecurePrompt {
    std::string promptId, language, securityLevel, pinSupportData;
    int maxLength = 0;
    bool autoTerminate = false, hidden = false;
    bool operator==(const SecurePrompt&) const = default;
};

struct ScreenModel {
    // The last display message as sent (the text after "Message=").
    std::string message;
    bool graphicMode = false;
    int graphicLines = 0; // the digit after ESC "G", 0 when there is none
    std::vector<EscapeSequence> sequences;
    std::vector<ScreenText> texts;
    std::vector<SoftKeyLabel> softKeys;
    bool scrolling = false;
    std::string signature; // the eight hexadecimal digits of a signed message

    // Set by XML display commands; they stay until changed.
    std::optional<WindowProperties> messageWindow;
    std::optional<SoftKeyProperties> softKeyProperties;
    std::optional<WindowProperties> dataEntryWindow;
    std::map<std::string, Prompt> prompts; // by prompt id
    std::string shownPromptId;             // the prompt a DisplayPromptCommand put on the screen
    std::map<std::string, ImageDetails> images; // by image id
    std::optional<SecurePrompt> securePrompt;
    // Things in XML commands the terminal passed over: unknown attributes and elements.
    std::vector<std::string> notes;
    // Texts and sequences of the message on show beyond kScreenTexts and
    // kScreenSequences, which the display did not keep.
    std::uint64_t droppedParts = 0;
    // Notes, images and prompts let go to stay within kScreenXmlBytes and the counts.
    std::uint64_t droppedXml = 0;

    bool operator==(const ScreenModel&) const = default;

    // Takes a display message (the text after "Message=", continuation lines included).
    void showMessage(std::string_view text);
    bool hasUnknownSequences() const;
    std::vector<EscapeSequence> unknownSequences() const;
    // The running text lines in order, and positioned text by place.
    std::vector<std::string> lines() const;
    const ScreenText* textAt(int column, int row) const;
    // A short key=value description for ReaderInformation.
    std::string describe() const;
    // Lets the oldest notes, then images, then prompts not on show go until
    // what XML commands set fits site_bounds.h.
    void keepXmlWithinBounds();
};

} // namespace vantrel::forecourt
