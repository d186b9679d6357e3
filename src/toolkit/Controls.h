#pragma once
// All control classes.

#include "toolkit/BarControls.h"
#include "toolkit/ButtonControls.h"
#include "toolkit/ComboControls.h"
#include "toolkit/Control.h"
#include "toolkit/EditControls.h"
#include "toolkit/Form.h"
#include "toolkit/LabelControls.h"
#include "toolkit/MenuItem.h"
#include "toolkit/StringGrid.h"
#include "toolkit/TreeView.h"
#include "toolkit/ValueControl.h"
