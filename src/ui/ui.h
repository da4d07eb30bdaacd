// The skinned UI layer: everything a window of the program is written against.
#pragma once

#include "ui/button.h"
#include "ui/container.h"
#include "ui/control.h"
#include "ui/dialog_builder.h"
#include "ui/gif_anim.h"
#include "ui/label.h"
#include "ui/list.h"
#include "ui/notify_pump.h"
#include "ui/paint_manager.h"
#include "ui/ui_defs.h"
#include "ui/vertical_layout.h"
#include "ui/window_impl.h"
#include "ui/window_wnd.h"
#include "ui/wnd_shadow.h"
