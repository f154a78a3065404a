// Umbrella header of Qel::Core.
#pragma once

#include <Core/base/Defs.h>
#include <Core/base/Panic.h>
#include <Core/base/Heap.h>
#include <Core/base/Mem.h>
#include <Core/base/Function.h>
#include <Core/base/Random.h>

#include <Core/container/Hash.h>
#include <Core/container/Vector.h>
#include <Core/container/Array.h>
#include <Core/container/Buffer.h>
#include <Core/container/Index.h>
#include <Core/container/Map.h>
#include <Core/container/Sort.h>
#include <Core/container/Bits.h>

#include <Core/text/String.h>
#include <Core/text/Exc.h>
#include <Core/text/WString.h>
#include <Core/text/Utf.h>
#include <Core/text/Unicode.h>
#include <Core/text/Charset.h>
#include <Core/text/Split.h>
#include <Core/text/FormatInt.h>
#include <Core/text/FormatDouble.h>
#include <Core/text/CParser.h>

#include <Core/thread/Thread.h>
#include <Core/thread/CoWork.h>

#include <Core/types/Gtypes.h>
#include <Core/types/TimeDate.h>
#include <Core/types/Color.h>

#include <Core/stream/Stream.h>
#include <Core/stream/MemStream.h>
#include <Core/stream/StringStream.h>
#include <Core/stream/ConsoleStream.h>
#include <Core/stream/BlockStream.h>
#include <Core/stream/FileStream.h>
#include <Core/stream/OutFilterStream.h>
#include <Core/stream/Zlib.h>

#include <Core/lang/Lang.h>
#include <Core/lang/Translate.h>

#include <Core/xml/XmlNode.h>
#include <Core/xml/XmlParser.h>

#include <Core/value/Value.h>
#include <Core/value/ValueArray.h>
#include <Core/value/Complex.h>
#include <Core/value/LRUCache.h>
#include <Core/value/ValueCache.h>

#include <Core/format/Scan.h>
#include <Core/format/Format.h>
#include <Core/format/DateText.h>
#include <Core/format/Convert.h>

#include <Core/exchange/Xmlize.h>
#include <Core/exchange/Jsonize.h>
#include <Core/exchange/Store.h>

#include <Core/util/PackedData.h>
#include <Core/util/Util.h>
#include <Core/util/Any.h>
#include <Core/util/Uuid.h>
#include <Core/util/Ptr.h>
#include <Core/util/Sha256.h>
#include <Core/util/Base64.h>
#include <Core/util/LocalProcess.h>

#include <Core/app/Log.h>
#include <Core/app/App.h>
#include <Core/app/Path.h>
#include <Core/app/TranslationFiles.h>
#include <Core/app/Environment.h>
#include <Core/app/Ini.h>
