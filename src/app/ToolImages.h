#pragma once
// ImageList1: the seven images of the tool bar and the connection menu,
// drawn by the program itself so that they scale with the screen.
//
//   0 disconnect, 1 connect, 2 read, 3 write, 4 read all, 5 write all,
//   6 defaults.
//
// Threading: GUI thread.

#include <QIcon>

constexpr int ToolImageCount = 7;

// The image with the given index; an empty icon for any other index.
QIcon ToolImage(int Index);
