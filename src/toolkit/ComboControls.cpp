#include "toolkit/ComboControls.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

constexpr int NoteRole = Qt::UserRole + 1;
constexpr int NoteGap = 16; // between an item's text and its note

// Paints an item's note after its text, in the disabled text colour.
class TNoteDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        const QString note = index.data(NoteRole).toString();
        if (note.isEmpty())
            return;
        const QString text = index.data(Qt::DisplayRole).toString();
        QRect r =
            option.rect.adjusted(option.fontMetrics.horizontalAdvance(text) + NoteGap, 0, -4, 0);
        painter->save();
        const bool selected = option.state & QStyle::State_Selected;
        painter->setPen(option.palette.color(
            QPalette::Disabled, selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(r, Qt::AlignLeft | Qt::AlignVCenter,
                          option.fontMetrics.elidedText(note, Qt::ElideRight, r.width()));
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize s = QStyledItemDelegate::sizeHint(option, index);
        const QString note = index.data(NoteRole).toString();
        if (!note.isEmpty())
            s.rwidth() += NoteGap + option.fontMetrics.horizontalAdvance(note) + 8;
        return s;
    }
};

} // namespace

TCustomComboBox::TCustomComboBox(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QComboBox>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setInsertPolicy(QComboBox::NoInsert);
    SetEditable(true);
    connect(this, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        FText.Set(StdStr(text));
        Fire(OnChange);
    });
}

void TCustomComboBox::SetEditable(bool on) {
    setEditable(on);
    if (on)
        WatchLineEdit();
    FText.Set(StdStr(currentText()));
}

void TCustomComboBox::WatchLineEdit() {
    if (QLineEdit* edit = lineEdit())
        ForwardMouseMoves(edit);
}

void TCustomComboBox::SetText(const std::string& text) {
    FromCode([&] {
        if (isEditable())
            setEditText(QStr(text));
        else
            setCurrentIndex(findText(QStr(text), Qt::MatchExactly));
    });
}

std::vector<std::string> TCustomComboBox::Items() const {
    std::vector<std::string> items;
    items.reserve(static_cast<size_t>(count()));
    for (int i = 0; i < count(); ++i)
        items.push_back(StdStr(itemText(i)));
    return items;
}

int TCustomComboBox::IndexOf(const std::string& text) const {
    const QString q = QStr(text);
    for (int i = 0; i < count(); ++i)
        if (itemText(i) == q)
            return i;
    return -1;
}

int TCustomComboBox::SortedPosition(const QString& text) const {
    int i = 0;
    while (i < count() && QString::compare(itemText(i), text, Qt::CaseInsensitive) <= 0)
        ++i;
    return i;
}

int TCustomComboBox::AddItem(const std::string& text) {
    const QString q = QStr(text);
    const int at = FSorted ? SortedPosition(q) : count();
    TKeepText keep(this);
    insertItem(at, q);
    return at;
}

void TCustomComboBox::InsertItem(int index, const std::string& text) {
    TKeepText keep(this);
    insertItem(index, QStr(text));
}

void TCustomComboBox::SetItemNote(int index, const std::string& note) {
    if (!dynamic_cast<TNoteDelegate*>(view()->itemDelegate()))
        view()->setItemDelegate(new TNoteDelegate(view()));
    setItemData(index, QStr(note), NoteRole);
    setItemData(index, QStr(note), Qt::ToolTipRole);
}

std::string TCustomComboBox::ItemNote(int index) const {
    return StdStr(itemData(index, NoteRole).toString());
}

void TCustomComboBox::DeleteItem(int index) {
    TKeepText keep(this);
    removeItem(index);
}

void TCustomComboBox::ClearItems() {
    TKeepText keep(this);
    clear();
}

void TCustomComboBox::SetSorted(bool on) {
    FSorted = on;
    if (!on)
        return;
    TKeepText keep(this);
    std::vector<std::string> items = Items();
    std::stable_sort(items.begin(), items.end(), [](const std::string& a, const std::string& b) {
        return QString::compare(QStr(a), QStr(b), Qt::CaseInsensitive) < 0;
    });
    clear();
    for (const std::string& item : items)
        addItem(QStr(item));
}

void TCustomComboBox::showPopup() {
    Fire(OnDropDown);
    // Wide enough for the notes, which the box itself does not show.
    view()->setMinimumWidth(view()->sizeHintForColumn(0) + 24);
    QComboBox::showPopup();
}

TComboBox::TComboBox(TForm* Owner, std::string Name, QWidget* Parent)
    : TCustomComboBox(Owner, std::move(Name), Parent) {}

TComboBoxEx::TComboBoxEx(TForm* Owner, std::string Name, QWidget* Parent)
    : TCustomComboBox(Owner, std::move(Name), Parent) {}

int TComboBoxEx::AddItem(const std::string& text, const QIcon& icon) {
    const int at = TCustomComboBox::AddItem(text);
    setItemIcon(at, icon);
    return at;
}
