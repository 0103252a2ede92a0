// A plain-text description of an in-memory drawing, for the drawing server,
// the demo and the tests. One item per line, numbers in C format, '#' starts
// a comment line, a carriage return that does not end a line is a blank:
//
//   name C:\drawings\table.dwg          the document's FullName
//   unsaved                             a drawing never saved: FullName "", Name "Drawing1.dwg"
//   firstid 4294967290                  the first object ID handed out
//   hwnd 655406                         the application's window handle
//   line x1 y1 x2 y2
//   polyline open|closed x y x y ...    a lightweight polyline
//   text alignment ix iy ax ay TEXT     insertion and alignment point; TEXT is the rest of the line.
//                                       The drawing derives the insertion point of texts that are
//                                       not left (0), aligned (3) or fit (5): ix iy are ignored there
//   mtext ATTACHMENT X Y WIDTH HEIGHT CONTENTS
//                                       a multiline text: AttachmentPoint 1 to 9, InsertionPoint, Width
//                                       (0 or more), Height (above 0); CONTENTS is the raw TextString to
//                                       the end of the line, a line break in it written \P
//   textheight H                        the height of the texts that follow (above 0; 2.5 until given)
//   textrotation DEGREES                the rotation of the texts and multiline texts that follow (0 until given)
//   linespacing F                       the line spacing factor of the multiline texts that follow
//                                       (0.25 to 4; 1 until given)
//   missing MEMBER                      the application serves no member of that name
//   entity POLYLINE|SPLINE|MTEXT|CIRCLE x y
//                                       a kind with only a position; MTEXT is a multiline text without
//                                       contents, as "mtext 1 x y 0 2.5" unrotated, line spacing 1
//   pick all | none | cancel | rect x1 y1 x2 y2 | entities n ...
//                                       what SelectOnScreen picks; n counts the entities from 1
#pragma once

#include <memory>
#include <optional>
#include <string_view>

#include "tools/cad-standin/memDrawing.h"

namespace qx::cad {

// Throws qx::Error naming the line for anything it does not understand.
// firstId, when given, replaces the file's "firstid".
std::unique_ptr<MemDrawing> loadDrawing(std::u16string_view text, std::optional<std::int64_t> firstId = {});

// The drawing's live entities in the same format, so that loading the result
// gives the same entities (IDs are handed out again, from the first one).
std::u16string saveDrawing(const MemDrawing& drawing);

}  // namespace qx::cad
