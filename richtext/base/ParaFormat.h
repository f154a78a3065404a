// The character and paragraph formats of rich text and the paragraph counters of numbering.
// All lengths are in text units of 1/600 inch; a Null colour means "not set".
#pragma once

#include <Core/Core.h>
#include <draw/Draw.h>

#include <memory>

namespace Qel {

using TextId = String; // the id of a field type

namespace detail {

// The formats of a paragraph, reached as RichPara::CharFormat, RichPara::Format and so on.
class RichParaFormats {
public:
	enum : int { LEFT = 1, RIGHT = 2, CENTER = 3, JUSTIFY = 4 };          // align of paragraphs and tabs
	enum : int { NORMAL_SCRIPT = 0, SUPERSCRIPT = 1, SUBSCRIPT = 2 };     // sscript
	enum : int { FILL_NONE = 0, FILL_DOTS = 1, FILL_HYPHENS = 2, FILL_UNDERLINE = 3 }; // tab fill
	enum : int { BULLET_NONE = 0, BULLET_ROUND = 1, BULLET_ROUND_WHITE = 2, BULLET_BOX = 3,
	             BULLET_BOX_WHITE = 4, BULLET_TEXT = 5 };
	enum : int { NUMBER_NONE = 0, NUMBER_1 = 1, NUMBER_0 = 2, NUMBER_a = 3, NUMBER_A = 4,
	             NUMBER_i = 5, NUMBER_I = 6 };
	enum : int { LSP_SINGLE = 0, LSP_ONE_HALF = -1, LSP_DOUBLE = -2, LSP_115 = -3 }; // linespacing
	// A tab position with this bit counts from the right end of the available width.
	static constexpr int TAB_RIGHTPOS = 0x8000000;

	struct CharFormat : Font {
		using Relocatable = void; // every member is

		int     language = 0;
		Color   ink = Color(0, 0, 0);
		Color   paper;                 // Null: no background
		String  link;
		WString indexentry;
		byte    sscript : 2 = 0;       // NORMAL_SCRIPT, SUPERSCRIPT or SUBSCRIPT
		bool    capitals = false;      // lower case shown as small capitals
		bool    dashed = false;        // dashed underline

		CharFormat() : Font(Font::SANSSERIF, 100) {}
	};

	struct Tab {
		int  pos = 0;                  // Null: dropped when packed
		byte align = LEFT;
		byte fillchar = FILL_NONE;

		bool operator==(const Tab&) const = default;
	};

	// Tab stops, as a Vector. Copies share one list until one of them is changed: paragraphs
	// mostly inherit their stops, and a text may give thousands of paragraphs thousands of
	// stops. Reading through a non-const list makes it its own first.
	class TabList {
	public:
		using Relocatable = void; // a shared pointer moves as raw bytes

		int        GetCount() const             { return v ? v->GetCount() : 0; }
		bool       IsEmpty() const              { return GetCount() == 0; }
		const Tab& operator[](int i) const      { return (*v)[i]; }
		Tab&       operator[](int i)            { return Own()[i]; }
		const Tab* begin() const                { return v ? v->begin() : nullptr; }
		const Tab* end() const                  { return v ? v->end() : nullptr; }
		Tab*       begin()                      { return Own().begin(); }
		Tab*       end()                        { return Own().end(); }
		Tab&       Add()                        { return Own().Add(); }
		void       Add(const Tab& t)            { Own().Add(t); }
		Tab&       Insert(int i)                { return Own().Insert(i); }
		void       SetCount(int n)              { Own().SetCount(n); }
		void       Reserve(int n)               { Own().Reserve(n); }
		void       Clear()                      { v.reset(); }
		// Whether a change copies the list first.
		bool       IsShared() const             { return v && v.use_count() > 1; }

		bool operator==(const TabList& b) const { return v == b.v || Same(begin(), end(), b.begin(), b.end()); }
		bool operator==(const Vector<Tab>& b) const { return Same(begin(), end(), b.begin(), b.end()); }

	private:
		std::shared_ptr<Vector<Tab>> v; // null: none

		Vector<Tab>& Own()
		{
			if(!v)
				v = std::make_shared<Vector<Tab>>();
			else if(v.use_count() > 1)
				v = std::make_shared<Vector<Tab>>(*v);
			return *v;
		}
		static bool Same(const Tab* a, const Tab* ae, const Tab* b, const Tab* be)
		{
			if(ae - a != be - b)
				return false;
			for(; a < ae; a++, b++)
				if(!(*a == *b))
					return false;
			return true;
		}
	};

	struct NumberFormat {
		String before_number;
		String after_number;
		bool   reset_number = false;
		byte   number[8] = {};         // the NUMBER_ style of each level
	};

	struct Format : NumberFormat, CharFormat {
		using Relocatable = void; // every member is

		Uuid        styleid;
		String      label;
		TabList     tab;
		int         align = LEFT;
		int         ruler = 0;
		int         before = 0;
		int         lm = 0;
		int         indent = 0;
		int         rm = 0;
		int         after = 0;
		Color       rulerink = Color(0, 0, 0);
		int         rulerstyle = 0;
		int         tabsize = 296;
		int         bullet = BULLET_NONE;
		int         linespacing = LSP_SINGLE;
		bool        newpage = false;
		bool        fflag = false;
		bool        keep = false;
		bool        keepnext = false;
		bool        orphan = false;
		bool        newhdrftr = false;
		String      header_qtf;
		String      footer_qtf;

		Format() = default;
		Format(const Format&) = default;
		Format(Format&&) = default;
		Format& operator=(const Format&) = default;
		// Takes the source's texts and tabs and leaves them empty there.
		Format& operator=(Format&&) = default;
	};

	// The counters of numbering levels 0 to 7, carried from paragraph to paragraph.
	struct Number {
		int n[8] = {};

		// Advances the counters for a paragraph of numbering f.
		void   Next(const NumberFormat& f);
		// The paragraph's number text: before_number, the numbered levels joined by ".",
		// after_number.
		String AsText(const Format& f) const;

		bool operator==(const Number&) const = default;
	};
};

} // namespace detail

} // namespace Qel
