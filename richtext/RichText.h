// Rich text: formatted paragraphs, embedded objects and their packed form; documents of
// paragraphs and tables with their styles, laid out on pages and painted.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>
#include <painter/Painter.h>

#include <richtext/base/Zoom.h>
#include <richtext/base/PagePos.h>
#include <richtext/base/ParaFormat.h>
#include <richtext/object/RichTextHooks.h>
#include <richtext/object/RichObject.h>
#include <richtext/object/RichObjectTypes.h>
#include <richtext/object/RichTextImg.h>
#include <richtext/para/RichPara.h>
#include <richtext/para/RichStyle.h>
#include <richtext/para/NumberField.h>
#include <richtext/document/RichTxt.h>
#include <richtext/document/RichTable.h>
#include <richtext/layout/PageContext.h>
#include <richtext/paint/RichPaint.h>
#include <richtext/position/RichPos.h>
#include <richtext/qtf/Qtf.h>
