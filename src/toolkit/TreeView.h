#pragma once
// A read-only tree of text nodes; each node also carries a number
// (StateIndex) for the program's own use. OnChange runs when the selected
// node changes, by the operator or by code. The selection stays visible when
// the tree loses the focus, and a right click selects too.
//
// Threading: GUI thread (and the shared snapshots of TControlT from any).

#include <QTreeWidget>
#include <string>

#include "toolkit/Control.h"

class TTreeNode : public QTreeWidgetItem {
public:
    TTreeNode(const std::string& text, int stateIndex);
    std::string Text() const { return StdStr(text(0)); }
    void SetText(const std::string& text) { setText(0, QStr(text)); }
    int StateIndex() const { return FStateIndex; }
    void SetStateIndex(int index) { FStateIndex = index; }
    // Shown in the greyed text of a disabled item, with Why as its tooltip,
    // while it can still be selected.
    void SetGreyed(bool Greyed, const std::string& Why = {});
    bool Greyed() const { return FGreyed; }

private:
    int FStateIndex;
    bool FGreyed = false;
};

class TTreeView : public TControlT<QTreeWidget> {
public:
    TTreeView(TForm* Owner, std::string Name, QWidget* Parent = nullptr);

    // Adds a node at the end of the top level, or under the given parent.
    TTreeNode* AddNode(const std::string& text, int stateIndex, TTreeNode* parent = nullptr);
    int NodeCount() const { return topLevelItemCount(); } // top level
    TTreeNode* Node(int index) const;
    TTreeNode* Selected() const;
    void Select(TTreeNode* node);
    void FullExpand() { expandAll(); }
    // The width that shows every node's text in full, frame included.
    int ContentWidth() const;
};
