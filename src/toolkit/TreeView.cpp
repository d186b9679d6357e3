#include "toolkit/TreeView.h"

#include <QHeaderView>
#include <algorithm>

TTreeNode::TTreeNode(const std::string& text, int stateIndex)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), FStateIndex(stateIndex) {
    setText(0, QStr(text));
}

void TTreeNode::SetGreyed(bool Greyed, const std::string& Why) {
    FGreyed = Greyed;
    if (!Greyed) {
        setData(0, Qt::ForegroundRole, QVariant());
        setToolTip(0, QString());
        return;
    }
    const QTreeWidget* tree = treeWidget();
    const QPalette pal = tree ? tree->palette() : QApplication::palette();
    setForeground(0, pal.brush(QPalette::Disabled, QPalette::Text));
    setToolTip(0, QStr(Why));
}

TTreeView::TTreeView(TForm* Owner, std::string Name, QWidget* Parent)
    : TControlT<QTreeWidget>(Owner, std::move(Name), DefaultParent(Owner, Parent)) {
    setColumnCount(1);
    header()->hide();
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight,
                 pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(this, &QTreeWidget::currentItemChanged, this, [this] { Fire(OnChange); });
}

TTreeNode* TTreeView::AddNode(const std::string& text, int stateIndex, TTreeNode* parent) {
    auto* node = new TTreeNode(text, stateIndex);
    if (parent)
        parent->addChild(node);
    else
        addTopLevelItem(node);
    return node;
}

TTreeNode* TTreeView::Node(int index) const {
    return static_cast<TTreeNode*>(topLevelItem(index));
}

TTreeNode* TTreeView::Selected() const {
    QTreeWidgetItem* item = currentItem();
    return item && item->type() == QTreeWidgetItem::UserType ? static_cast<TTreeNode*>(item)
                                                             : nullptr;
}

void TTreeView::Select(TTreeNode* node) {
    FromCode([&] { setCurrentItem(node); });
}

int TTreeView::ContentWidth() const {
    // Indentation included; a little room so that the last letter does not
    // touch the frame.
    return std::max(sizeHintForColumn(0), 0) + 2 * frameWidth() + 4;
}
