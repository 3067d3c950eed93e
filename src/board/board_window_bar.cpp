// The board window's customer bar: the controls that act as the customer
// at the selected position, folded onto two rows in a narrow window, and
// the line under it that says what the last action did and where the site
// is read from.
#include "board_window.h"
#include "site_canvas.h"

#include "forecourt/customer.h"
#include "forecourt/customer_command.h"

#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace vantrel::board {

namespace {
// A button's action, at the position the board has selected when it is pressed.
forecourt::CustomerCommand customerCommand(forecourt::CustomerVerb verb, std::string argument)
{
    return {verb, 0, std::move(argument)};
}

// A field never narrower than its placeholder in the face it is drawn in,
// nor wider than `most` unless the placeholder needs it: the width follows
// the style and the font the desktop gives (a theme's larger face), and a
// change of either while it is shown.
class FittedField : public QLineEdit {
public:
    FittedField(const QString& text, int most, QWidget* parent) : QLineEdit(text, parent), m_most(most) {}

    void fit()
    {
        // As QLineEdit::sizeHint measures its room: the text, its margins, the frame the style draws.
        const QFontMetrics metrics(font());
        const QMargins text = textMargins(), contents = contentsMargins();
        const int kInnerMargin = 2; // QLineEdit's own, either side of the text
        const QSize inner(metrics.horizontalAdvance(placeholderText()) + 2 * kInnerMargin + text.left() + text.right() +
                              contents.left() + contents.right() + 2,
                          metrics.height() + text.top() + text.bottom());
        QStyleOptionFrame option;
        option.initFrom(this);
        option.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
        option.midLineWidth = 0;
        option.state |= QStyle::State_Sunken;
        const int least = style()->sizeFromContents(QStyle::CT_LineEdit, &option, inner, this).width();
        setMinimumWidth(least);
        setMaximumWidth(std::max(least, m_most));
    }

protected:
    void changeEvent(QEvent* event) override
    {
        QLineEdit::changeEvent(event);
        if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
            fit();
    }

private:
    int m_most;
};
} // namespace

void BoardWindow::buildCustomerBar(QVBoxLayout& layout)
{
    // The customer's side, at the selected position: two rows of controls,
    // side by side, or one over the other when the window is narrow.
    m_bar = new QWidget(this);
    m_bar->setObjectName("customerBar");
    m_barLayout = new QBoxLayout(QBoxLayout::LeftToRight, m_bar);
    QHBoxLayout* rows[2];
    for (int i = 0; i < 2; ++i) {
        m_barRows[i] = new QWidget(m_bar);
        rows[i] = new QHBoxLayout(m_barRows[i]);
        rows[i]->setContentsMargins(0, 0, 0, 0);
        m_barLayout->addWidget(m_barRows[i]);
    }
    m_barLayout->addStretch(1);
    QList<QWidget*> order{m_canvas};
    auto button = [&](QHBoxLayout* row, const char* name, const QString& caption, const QString& spoken,
                      std::function<forecourt::CustomerCommand()> action) {
        auto* b = new QPushButton(caption, m_bar);
        b->setObjectName(name);
        b->setAccessibleName(spoken);
        b->setAutoDefault(true); // Enter presses it, as Space does
        connect(b, &QPushButton::clicked, this, [this, action] { act(action()); });
        row->addWidget(b);
        order << b;
        return b;
    };
    auto field = [&](QHBoxLayout* row, const char* name, const QString& spoken, const QString& text, const QString& placeholder,
                     int maxWidth) {
        auto* f = new FittedField(text, maxWidth, m_bar);
        f->setObjectName(name);
        f->setAccessibleName(spoken);
        f->setPlaceholderText(placeholder);
        f->fit();
        row->addWidget(f);
        order << f;
        return f;
    };
    auto* customer = new QLabel("Customer:", m_bar);
    rows[0]->addWidget(customer);
    button(rows[0], "liftNozzle", "Lift nozzle", "Lift the nozzle", [] { return customerCommand(forecourt::CustomerVerb::Nozzle, "lift"); });
    button(rows[0], "hangNozzle", "Hang up", "Hang up the nozzle", [] { return customerCommand(forecourt::CustomerVerb::Nozzle, "hang"); });
    m_card = new QComboBox(m_bar);
    m_card->setObjectName("testCard");
    m_card->setAccessibleName("Test card");
    for (std::size_t i = 0; i < forecourt::testCards().size(); ++i)
        m_card->addItem(QString("%1 %2").arg(i + 1).arg(forecourt::testCards()[i].type), QString::number(i + 1));
    m_card->addItem("Chip card", "chip");
    rows[0]->addWidget(m_card);
    order << m_card;
    button(rows[0], "insertCard", "Insert card", "Insert the test card",
           [this] { return customerCommand(forecourt::CustomerVerb::Card, m_card->currentData().toString().toStdString()); });
    m_keys = field(rows[1], "keys", "Keys to press", {}, "1234 or Enter", 110);
    auto* press = button(rows[1], "pressKeys", "Press keys", "Press the keys",
                         [this] { return customerCommand(forecourt::CustomerVerb::Key, m_keys->text().trimmed().toStdString()); });
    m_cash = field(rows[1], "cash", "Cash amount", "20", {}, 60);
    auto* cash = button(rows[1], "insertCash", "Insert cash", "Insert the cash",
                        [this] { return customerCommand(forecourt::CustomerVerb::Cash, m_cash->text().trimmed().toStdString()); });
    button(rows[1], "takeWash", "Enter wash code", "Enter the wash code", [] { return customerCommand(forecourt::CustomerVerb::Wash, {}); });
    // Enter in a field presses the button beside it.
    connect(m_keys, &QLineEdit::returnPressed, press, &QPushButton::click);
    connect(m_cash, &QLineEdit::returnPressed, cash, &QPushButton::click);
    customer->setBuddy(order[1]);
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    // The bar is never narrower than its folded form, whatever one row would want.
    m_bar->setMinimumWidth(barNeeds().twoRows.width);

    // What the last action did, and where the site is read (or why it cannot
    // be), on a line of their own: long messages wrap instead of widening the window.
    m_said = new QWidget(this);
    auto* saidRow = new QHBoxLayout(m_said);
    saidRow->setContentsMargins(m_barLayout->contentsMargins().left(), 0, m_barLayout->contentsMargins().right(), 4);
    m_answer = new QLabel(m_said);
    m_answer->setObjectName("answer");
    m_answer->setWordWrap(true);
    m_answer->setTextInteractionFlags(Qt::TextSelectableByMouse);
    saidRow->addWidget(m_answer, 1);
    // The simulated customers, between the two: shown only while the site has traffic.
    m_traffic = new QLabel(m_said);
    m_traffic->setObjectName("traffic");
    m_traffic->setWordWrap(true);
    m_traffic->setAlignment(Qt::AlignCenter);
    m_traffic->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_traffic->hide();
    saidRow->addWidget(m_traffic, 1);
    m_status = new QLabel(m_said);
    m_status->setObjectName("siteStatus");
    m_status->setWordWrap(true);
    m_status->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_status->setText(QString::fromStdString(m_source->describe()));
    saidRow->addWidget(m_status, 1);
    layout.addWidget(m_bar);
    layout.addWidget(m_said);
}

const CanvasLayout& BoardWindow::sections() const { return m_canvas->layout; }

BarNeeds BoardWindow::barNeeds() const
{
    const QMargins m = m_barLayout->contentsMargins();
    const int spacing = std::max(0, m_barLayout->spacing());
    const QSize a = m_barRows[0]->sizeHint(), b = m_barRows[1]->sizeHint();
    BarNeeds needs;
    needs.oneRow = {a.width() + spacing + b.width() + m.left() + m.right(), std::max(a.height(), b.height()) + m.top() + m.bottom()};
    needs.twoRows = {std::max(a.width(), b.width()) + m.left() + m.right(), a.height() + spacing + b.height() + m.top() + m.bottom()};
    needs.statusHeight = m_said ? m_said->sizeHint().height() : 24;
    return needs;
}

void BoardWindow::foldBar(bool folded)
{
    if (folded == m_barFolded)
        return;
    m_barFolded = folded;
    m_barLayout->setDirection(folded ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
}

void BoardWindow::resizeEvent(QResizeEvent* event)
{
    foldBar(width() < barNeeds().oneRow.width);
    QWidget::resizeEvent(event);
}

QString BoardWindow::answer() const { return m_answer->text(); }

QString BoardWindow::siteStatus() const { return m_status->text(); }

QString BoardWindow::trafficLine() const { return m_traffic->text(); }

} // namespace vantrel::board
