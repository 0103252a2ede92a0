#include "cad/fastPath.h"

#include "core/text.h"

namespace qx::cad {

namespace {

constexpr std::int32_t kVersion = 3;
constexpr std::size_t kOpFields = 6, kResultFields = 4, kTextFields = 6;

Error serverError(std::u16string_view member, std::u16string_view reason) {
    return dispatchError(u"fast path", member, reason);
}

const Variant& arg(const std::vector<Variant>& args, std::size_t i, std::u16string_view member) {
    if (i >= args.size())
        throw serverError(member, u"argument " + decimalText(i + 1) + u" is missing");
    return args[i];
}

// Reads the chunk; a failure of the drawing ends it with its message after
// what was read before.
Variant readEntities(const std::vector<Variant>& args) {
    const Dispatch set = arg(args, 0, u"ReadEntities").toDispatch();
    const auto first = arg(args, 1, u"ReadEntities").toInt32();
    const auto count = arg(args, 2, u"ReadEntities").toInt32();
    ClassNames names;
    names.objectName = arg(args, 3, u"ReadEntities").toBool();
    if (first < 0 || count < 0)
        throw serverError(u"ReadEntities", u"the range is negative");
    TQdlLists lists;
    std::u16string error;
    try {
        for (std::int32_t i = first; i < first + count; ++i)
            readEntity(set.call(u"Item", {Variant(i)}).toDispatch(), lists, names);
    } catch (const Error& e) {
        error = e.message();
    }
    std::vector<double> segments;
    segments.reserve(lists.lineAry.size() * 6);
    // Per segment its entity's ID, negative for a polyline's.
    std::vector<Variant> lineIds;
    lineIds.reserve(lists.lineAry.size());
    for (const auto& l : lists.lineAry) {
        segments.insert(segments.end(), {l.st.x, l.st.y, l.st.z, l.ed.x, l.ed.y, l.ed.z});
        lineIds.push_back(Variant::int64(l.poly ? -l.objID : l.objID));
    }
    std::vector<Variant> texts;
    texts.reserve(lists.textAry.size() * kTextFields);
    for (auto& t : lists.textAry) {
        // A multiline text's attachment goes negative, so that a record says which kind it is.
        texts.insert(texts.end(), {Variant(t.mtext ? -t.code : t.code), Variant(t.base.x), Variant(t.base.y),
                                   Variant(t.base.z), Variant::int64(t.objID), Variant(std::move(t.contents))});
    }
    std::vector<Variant> answer{Variant(std::move(segments)), Variant(std::move(lineIds)), Variant(std::move(texts)),
                                Variant(names.objectName)};
    if (!error.empty())
        answer.push_back(Variant(error));
    return Variant(std::move(answer));
}

Variant applyUpdate(const std::vector<Variant>& args) {
    const Dispatch document = arg(args, 0, u"ApplyUpdate").toDispatch();
    const auto fields = arg(args, 1, u"ApplyUpdate").toVariants();
    if (fields.size() % kOpFields != 0)
        throw serverError(u"ApplyUpdate", u"the changes are not whole");
    std::vector<UpdateOp> ops;
    for (std::size_t i = 0; i < fields.size(); i += kOpFields) {
        UpdateOp op;
        const auto kind = fields[i].toInt32();
        if (kind < 0 || kind > 3)
            throw serverError(u"ApplyUpdate", u"unknown change " + decimalText(kind));
        op.kind = static_cast<UpdateOp::Kind>(kind);
        op.id = fields[i + 1].toInt64();
        op.text = fields[i + 2].toString();
        op.to = {fields[i + 3].toDouble(), fields[i + 4].toDouble(), fields[i + 5].toDouble()};
        ops.push_back(std::move(op));
    }
    std::vector<Variant> answer;
    for (const auto& op : ops) {
        UpdateOpResult r;
        std::u16string error;
        try {
            applyUpdateOp(document, op, r);
        } catch (const Error& e) {
            error = e.message();
        }
        answer.insert(answer.end(),
                      {Variant(r.done), Variant::int64(r.added.objID), Variant(r.added.code), Variant(r.added.sText)});
        if (!error.empty()) {
            answer.push_back(Variant(error));
            break;
        }
    }
    return Variant(std::move(answer));
}

// The fast path's answer; a failure of the call is the fast path's, not the drawing's.
std::vector<Variant> callFastPath(const Dispatch& fastPath, std::u16string_view member, std::vector<Variant> args) {
    try {
        return fastPath.call(member, std::move(args)).toVariants();
    } catch (const Error& e) {
        throw FastPathUnavailable(e.message());
    }
}

}  // namespace

Variant FastPathServer::get(std::u16string_view member) {
    if (lower(member) == u"version")
        return Variant(kVersion);
    throw MemberNotFound(serverError(member, u"no such property").message());
}

void FastPathServer::put(std::u16string_view member, const Variant&) {
    throw serverError(member, u"the fast path has no properties to set");
}

Variant FastPathServer::call(std::u16string_view member, std::vector<Variant>& args) {
    const auto name = lower(member);
    if (name == u"readentities")
        return readEntities(args);
    if (name == u"applyupdate")
        return applyUpdate(args);
    if (name == u"version")
        return Variant(kVersion);
    throw MemberNotFound(serverError(member, u"no such method").message());
}

void readChunk(const Dispatch& fastPath, const Dispatch& set, int first, int count, ClassNames& names,
               TQdlLists& lists) {
    const auto answer = callFastPath(
        fastPath, u"ReadEntities",
        {Variant(set), Variant(std::int32_t{first}), Variant(std::int32_t{count}), Variant(names.objectName)});
    TQdlLists read;  // decoded whole before anything is added
    try {
        if (answer.size() < 4 || answer.size() > 5)
            throw Error(u"an answer of " + decimalText(answer.size()) + u" parts");
        const auto segments = answer[0].toDoubles();
        const auto lineIds = answer[1].toVariants();
        const auto texts = answer[2].toVariants();
        if (segments.size() % 6 != 0 || lineIds.size() != segments.size() / 6 || texts.size() % kTextFields != 0)
            throw Error(u"a broken chunk");
        for (std::size_t i = 0; i < segments.size(); i += 6) {
            const std::int64_t id = lineIds[i / 6].toInt64();
            read.lineAry.push_back({{segments[i], segments[i + 1], segments[i + 2]},
                                    {segments[i + 3], segments[i + 4], segments[i + 5]},
                                    id < 0 ? -id : id,
                                    id < 0});
        }
        for (std::size_t i = 0; i < texts.size(); i += kTextFields) {
            TQdlText t;
            t.code = texts[i].toInt32();
            t.mtext = t.code < 0;
            t.code = t.mtext ? -t.code : t.code;
            t.base = {texts[i + 1].toDouble(), texts[i + 2].toDouble(), texts[i + 3].toDouble()};
            t.objID = texts[i + 4].toInt64();
            t.contents = texts[i + 5].toString();
            readContents(t);
            read.textAry.push_back(std::move(t));
        }
        names.objectName = answer[3].toBool();
        if (answer.size() == 5)
            answer[4].toString();
    } catch (const Error& e) {
        throw FastPathUnavailable(u"fast path.ReadEntities: " + e.message());
    }
    lists.lineAry.insert(lists.lineAry.end(), read.lineAry.begin(), read.lineAry.end());
    lists.textAry.insert(lists.textAry.end(), std::make_move_iterator(read.textAry.begin()),
                         std::make_move_iterator(read.textAry.end()));
    if (answer.size() == 5)
        throw Error(answer[4].toString());
}

void applyChunk(const Dispatch& fastPath, const Dispatch& document, const std::vector<UpdateOp>& ops,
                std::vector<UpdateOpResult>& results) {
    std::vector<Variant> fields;
    fields.reserve(ops.size() * kOpFields);
    for (const auto& op : ops) {
        fields.insert(fields.end(), {Variant(static_cast<std::int32_t>(op.kind)), Variant::int64(op.id),
                                     Variant(op.text), Variant(op.to.x), Variant(op.to.y), Variant(op.to.z)});
    }
    const auto answer = callFastPath(fastPath, u"ApplyUpdate", {Variant(document), Variant(std::move(fields))});
    const std::size_t n = answer.size() / kResultFields;
    const bool failed = answer.size() % kResultFields == 1;
    if ((!failed && answer.size() % kResultFields != 0) || n > ops.size() || (!failed && n != ops.size()))
        throw FastPathUnavailable(u"fast path.ApplyUpdate: a broken answer");
    for (std::size_t i = 0; i < n; ++i) {
        const Variant* f = &answer[i * kResultFields];
        UpdateOpResult r;
        r.done = f[0].toBool();
        if (r.done && (ops[i].kind == UpdateOp::Kind::Add || ops[i].kind == UpdateOp::Kind::AddMText)) {
            r.added.objID = f[1].toInt64();
            r.added.code = f[2].toInt32();
            r.added.sText = f[3].toString();
            r.added.base = ops[i].to;
        }
        results.push_back(std::move(r));
    }
    if (failed)
        throw Error(answer.back().toString());
}

Dispatch loadFastPath(const Dispatch& application) {
    try {
        Dispatch fast =
            application.call(u"GetInterfaceObject", {Variant(std::u16string(kFastPathProgId))}).toDispatch();
        if (fast && fast.get(u"Version").toInt32() == kVersion)
            return fast;
    } catch (const Error&) {
        // Not registered, not loadable, or an application without it: call by call.
    }
    return {};
}

}  // namespace qx::cad
