// Qel::Gui: the control tree with its lock, timers, frames, geometry, theme, focus and painting,
// drawn through cairo, in native windows of GTK 3 with their event loop; the clipboard, the
// primary selection and drag and drop.
#pragma once

#include "GuiLock.h"
#include "Timer.h"
#include "LogPos.h"
#include "CtrlFrame.h"
#include "SystemDraw.h"
#include "ImageDraw.h"
#include "KeyCodes.h"
#include "Ctrl.h"
#include "Clip.h"
#include "TopWindow.h"
#include "Settings.h"
#include "Zoom.h"
#include "CtrlCoreImg.h"
#include "gtk/GtkApp.h"
