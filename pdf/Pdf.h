// Umbrella header of Qel::Pdf: PDF documents from Draw operations and recorded pages. Including
// it installs the module's hooks in the drawing layer.
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#include "TTFReader.h"
#include "PdfDraw.h"

namespace Qel::detail {
// Each unit that includes the module asks for the hooks while it starts.
[[maybe_unused]] static const bool pdf_hooks_installed = (InitPdfDrawHooks(), true);
} // namespace Qel::detail
