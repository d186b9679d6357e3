#pragma once
// All control classes.

#include "BarControls.h"
#include "ButtonControls.h"
#include "ComboControls.h"
#include "Control.h"
#include "EditControls.h"
#include "Form.h"
#include "LabelControls.h"
#include "MenuItem.h"
#include "StringGrid.h"
#include "TreeView.h"
