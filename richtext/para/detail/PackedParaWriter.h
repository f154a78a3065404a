// A paragraph packed as it is read, part by part, for readers that build documents (QTF): the
// parts are packed against the style the paragraph had at its first part (and again when that
// changes), and no part objects are built. Paragraphs mostly have the fields of the one before,
// so the packed head of the last paragraph is kept for the next. Long links and index entries are
// set aside as copies of the reader's own, so the paragraphs a block sets one around share it.
#pragma once

#include <richtext/para/RichPara.h>
#include <richtext/para/detail/PackedForm.h>

namespace Qel::detail {

class PackedParaWriter {
public:
	// A finished paragraph, as RichTxt::SetPackedPara takes it; head and objects are the
	// writer's until the next paragraph.
	struct Para {
		const String&                    head;    // a long head stored apart; empty: the content starts with it
		String                           content;
		Array<RichObject>&               objects;
		std::unique_ptr<RichPara::Aside> aside;   // null when nothing is set aside
		int                              length;  // text positions
	};

	bool        HasParts() const { return has_parts; }
	const Uuid& GetStyle() const { return style; }

	// The first part of a paragraph of style id, whose format is st.
	void Begin(const Uuid& id, const RichPara::Format& st);
	// The parts packed against another style.
	void Restyle(const Uuid& id, const RichPara::Format& old_st, const RichPara::Format& st);
	// The style's format, defined again: the parts packed against old keep their formats.
	void StyleDefined(const RichPara::Format& st, const RichPara::CharFormat* old);

	// Text packed already (characters of 32 and above or tabs), holding chars characters.
	void Packed(const char* s, int bytes, int chars, const RichPara::CharFormat& f);
	// Text (characters of 32 and above or tabs only).
	void Text(const wchar* s, int n, const RichPara::CharFormat& f);
	// A part of another kind; taken.
	void Part(RichPara::Part& p);
	void Clear();

	// Ends the paragraph of format pf whose style's format is st. para and styles name what pf
	// and st were made from (the version of the paragraph fields, the style definitions read by
	// then); when they are what the last head was packed from, the head is not packed again.
	Para End(const RichPara::Format& pf, const RichPara::Format& st, uint64 para, int styles);

private:
	// A head longer than this (a label, tab stops, a header text) is stored apart, one copy
	// for all the paragraphs that inherit it.
	static constexpr int SHARED_HEAD = 64;

	PackStream              parts;
	Array<RichObject>       objects;
	Array<RichObject>       done_objects; // the last paragraph's
	RichPara::Aside         aside;
	RichPara::CharFormat    running;      // the parts' running format
	Uuid                    style;
	const RichPara::Format* st = nullptr; // its format
	bool                    has_parts = false;
	int                     length = 0;
	PackStream              head_packed;
	uint64                  head_para = 0;
	const RichPara::Format* head_style = nullptr;
	int                     head_styles = 0;
	String                  head_shared;
	StringBuffer            scratch;

	void Repack(const RichPara::CharFormat& old_style, const RichPara::CharFormat& new_style);
};

} // namespace Qel::detail
