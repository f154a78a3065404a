// Qel::Gui: the control tree with its lock, timers, frames, geometry, theme, focus and painting,
// drawn through cairo, in native windows of GTK 3 with their event loop; the clipboard, the
// primary selection and drag and drop.
#pragma once

#include <gui/base/GuiLock.h>
#include <gui/base/Timer.h>
#include <gui/base/LogPos.h>
#include <gui/base/KeyCodes.h>
#include <gui/base/Settings.h>
#include <gui/ctrl/CtrlFrame.h>
#include <gui/ctrl/Ctrl.h>
#include <gui/ctrl/Zoom.h>
#include <gui/paint/SystemDraw.h>
#include <gui/paint/ImageDraw.h>
#include <gui/window/TopWindow.h>
#include <gui/clip/Clip.h>
#include <gui/clip/CtrlCoreImg.h>
#include <gui/gtk/GtkApp.h>
