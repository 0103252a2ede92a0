// The in-process fast path: a small automation object that the CAD
// application loads into its own process (Application.GetInterfaceObject),
// so that reading the picked entities and writing an Update's changes cost
// one cross-process call per chunk instead of several per entity. It makes
// exactly the calls the commands make one by one, with the same code; only
// where they run differs.
//
// Its members, all methods:
//   ReadEntities(set, first, count, objectName)  the set's entities first ..
//       first + count - 1 read as the Get reads them; answers an array:
//       [segments (6 doubles each), their entities' IDs (a polyline's
//        negated), texts (code, x, y, z, ID, contents each;
//        a multiline text's code is its attachment negated),
//        objectName, error text (only when reading failed midway)]
//   ApplyUpdate(document, ops)  carries out the changes (kind 0 edit, 1
//       delete, 2 add, 3 add a multiline text; ID, contents, x, y, z each) in
//       order; answers (done, new ID, alignment or attachment, contents) per
//       change tried, then the error text when one failed.
//   Version  the protocol version, 3.
#pragma once

#include "cad/dispatch.h"
#include "cad/fetchTable.h"
#include "cad/updateTable.h"

namespace qx::cad {

inline constexpr char16_t kFastPathProgId[] = u"QuadcelX.FastPath.1";
inline constexpr char16_t kFastPathClsid[] = u"{7E2B4C1A-93D5-4F0E-8A61-C5D29B3F0E47}";
inline constexpr char16_t kFastPathDll[] = u"QuadcelXFast.dll";
inline constexpr int kFastPathChunk = 256;

// The fast path itself failed (not the drawing): the caller goes call by
// call instead when nothing was done yet.
class FastPathUnavailable : public Error {
public:
    using Error::Error;
};

// The fast path's object, run inside the CAD application's process (the
// DLL serves it through IDispatch). Never throws for a failure of the
// drawing: that is answered as data, with what was done before it.
class FastPathServer : public DispatchObject {
public:
    std::u16string kind() const override { return u"fast path"; }
    Variant get(std::u16string_view member) override;
    void put(std::u16string_view member, const Variant& value) override;
    Variant call(std::u16string_view member, std::vector<Variant>& args) override;
};

// The client's side. Each appends what the chunk did to `lists` / `results`
// and then throws the drawing's error, if any; a failure of the call itself
// is FastPathUnavailable.
void readChunk(const Dispatch& fastPath, const Dispatch& set, int first, int count, ClassNames& names,
               TQdlLists& lists);
void applyChunk(const Dispatch& fastPath, const Dispatch& document, const std::vector<UpdateOp>& ops,
                std::vector<UpdateOpResult>& results);

// The fast path of the application, or null when it cannot be had (not
// registered, no GetInterfaceObject, a wrong version).
Dispatch loadFastPath(const Dispatch& application);

}  // namespace qx::cad
