// Get and Update: the two commands that talk to the CAD application.
#include <algorithm>
#include <cstdio>

#include "app/qdlXUnit.h"
#include "table/tableGrid.h"

namespace qx {

using cad::Dispatch;
using cad::Variant;

namespace {
constexpr char16_t kSetName[] = u"ssTemp";
constexpr std::uint8_t kVkEscape = 27;
constexpr std::uint32_t kKeyUp = 2;

TPoint3 point(const Variant& v) {
    const auto d = v.toDoubles();
    if (d.size() < 3) {
        throw Error(u"座標の要素が 3 つありません");
    }
    return {d[0], d[1], d[2]};
}

std::u16string format(const char* fmt, auto... args) {
    char buf[128];
    std::snprintf(buf, sizeof buf, fmt, args...);
    return fromUtf8(buf);
}

Dispatch getSelectionSet(const Dispatch& document) {
    const Dispatch sets = document.get(u"SelectionSets").toDispatch();
    const int n = sets.get(u"Count").toInt32();
    for (int i = 0; i < n; ++i) {
        const Dispatch set = sets.call(u"Item", {Variant(std::int32_t{i})}).toDispatch();
        if (set.get(u"Name").toString() == kSetName) {
            set.call(u"Clear");
            return set;
        }
    }
    return sets.call(u"Add", {Variant::byRef(Variant(std::u16string(kSetName)))}).toDispatch();
}
}  // namespace

void VivazQDLForm::bringCadToFront(const Dispatch& app) {
    WindowManager& w = *s_.platform.windows;
    if (w.isIconic(app.get(u"HWND").toUInt64())) {
        w.openIcon(app.get(u"HWND").toUInt64());
        s_.platform.clock->sleep(500);
    }
    w.setForegroundWindow(app.get(u"HWND").toUInt64());
    if (w.foregroundWindow() == app.get(u"HWND").toUInt64()) {
        w.keybdEvent(kVkEscape, 0);
        w.keybdEvent(kVkEscape, kKeyUp);
        s_.platform.clock->sleep(5);
    }
}

void VivazQDLForm::bringSelfToFront() {
    if (s_.ownHandle) {
        s_.platform.windows->setForegroundWindow(s_.ownHandle());
    }
}

void VivazQDLForm::Button1Click() {
    GridCommandScope guard(gridCommand_);
    if (!guard.entered()) {
        return;
    }
    CheckBox1.setChecked(false);
    if (s_.cad->isTargetRunning(targetProgID)) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        setCaption(doc.get(u"FullName").toString());
        Dispatch set = getSelectionSet(doc);
        try {
            set.call(u"Clear");
            const Variant filterType(std::vector<std::int16_t>{0});
            const Variant filterData(std::vector<Variant>{Variant(u"TEXT,*LINE")});
            if (s_.setMinimized) {
                s_.setMinimized(true);
            }
            s_.platform.windows->setForegroundWindow(app.get(u"HWND").toUInt64());
            try {
                set.call(u"SelectOnScreen", {Variant::byRef(filterType), Variant::byRef(filterData)});
            } catch (const Error&) {
                // A cancelled pick: the count decides what follows.
            }
            if (s_.setMinimized) {
                s_.setMinimized(false);
            }
            bringSelfToFront();
            Memo1.clear();
            const int count = set.get(u"Count").toInt32();
            Memo1.add(u"Select = " + fromUtf8(std::to_string(count)));
            if (count > 0) {
                const std::uint32_t start = s_.platform.clock->tickCount();
                lists.lineAry.clear();
                lists.textAry.clear();
                ProgressBar1.setMax(count);
                for (int i = 0; i < count; ++i) {
                    StatusBar1.setPanelText(0, format(" %d / %d", i + 1, count));
                    ProgressBar1.setPosition(i + 1);
                    s_.platform.pump->processMessages();
                    const Dispatch e = set.call(u"Item", {Variant(std::int32_t{i})}).toDispatch();
                    const std::u16string name = e.get(u"EntityName").toString();
                    if (name == u"AcDbPolyline") {
                        TDblAry coords = e.get(u"Coordinates").toDoubles();
                        appendPolyline(lists.lineAry, std::move(coords), e.get(u"Closed").toBool());
                    } else if (name == u"AcDbLine") {
                        const TPoint3 st = point(e.get(u"StartPoint"));
                        appendLine(lists.lineAry, st, point(e.get(u"EndPoint")));
                    } else if (name == u"AcDbText") {
                        const TPoint3 ins = point(e.get(u"InsertionPoint"));
                        const TPoint3 al = point(e.get(u"TextAlignmentPoint"));
                        TQdlText t;
                        t.code = e.get(u"Alignment").toInt32();
                        t.objID = e.get(u"ObjectID").toInt64();
                        t.sText = e.get(u"TextString").toString();
                        t.base = textBasePoint(t.code, ins, al);
                        lists.textAry.push_back(std::move(t));
                    }
                }
                ProgressBar1.setPosition(0);
                const std::uint32_t elapsed = s_.platform.clock->tickCount() - start;  // modulo 2^32
                Memo1.add(format("%.3f sec", elapsed / 1000.0));
            }
        } catch (...) {
            // The document keeps no "ssTemp" set, however the reading ended.
            try {
                set.call(u"Clear");
                set.call(u"Delete");
            } catch (const Error&) {
            }
            throw;
        }
        set.call(u"Clear");
        set.call(u"Delete");
        finishGet();
    }
    ProgressBar1.setPosition(0);
    StatusBar1.setPanelText(0, u"");
    StatusBar1.setPanelText(1, u"");
    CheckBox1.setEnabled(StringGrid1.RowCount() >= 3);
    bringSelfToFront();
}

void VivazQDLForm::finishGet() {
    Memo1.add(
        format("Line = %d, Text = %d", static_cast<int>(lists.lineAry.size()), static_cast<int>(lists.textAry.size())));
    collectBorders(lists, tolerance());
    mergeBorders(lists, tolerance());
    Memo1.add(
        format("Yoko = %d, Tate = %d", static_cast<int>(lists.yokoAry.size()), static_cast<int>(lists.tateAry.size())));
    fillGrid(StringGrid1, lists);
    showDrawnBorders(tolerance());
    copyGrid(StringGrid1, StringGrid2);
    rebuildTextIndex();
    ProgressBar1.setPosition(0);
    StatusBar1.setPanelText(0, u"");
    StringGrid1.beginUpdate();
    for (int r = 0; r < StringGrid1.RowCount(); ++r) {
        StringGrid1.setRowHeights(r, StringGrid1.DefaultRowHeight());
    }
    StringGrid1.endUpdate();
    const bool table = lists.yokoAry.size() >= 2 && lists.tateAry.size() >= 2 && !lists.textAry.empty();
    Button2.setEnabled(table);
    menuItem(u"N6").setEnabled(table);
    menuItem(u"UNDO1").setEnabled(false);
}

void VivazQDLForm::rebuildTextIndex() {
    textIndex_.clear();
    for (std::size_t i = 0; i < lists.textAry.size(); ++i) {
        indexText(i);
    }
}

void VivazQDLForm::indexText(std::size_t i) {
    if (lists.textAry[i].objID != 0) {
        textIndex_[lists.textAry[i].objID].push_back(i);  // callers add in ascending order
    }
}

void VivazQDLForm::unindexText(std::size_t i) {
    auto it = textIndex_.find(lists.textAry[i].objID);
    if (it != textIndex_.end()) {
        std::erase(it->second, i);
        if (it->second.empty()) {
            textIndex_.erase(it);
        }
    }
}

int VivazQDLForm::textIndexOfId(std::int64_t id) const {
    const auto it = textIndex_.find(id);
    return it == textIndex_.end() ? -1 : static_cast<int>(it->second.front());
}

VivazQDLForm::Template VivazQDLForm::findTemplateText(int col) const {
    if (StringGrid1.RowCount() <= 2) {
        return {};
    }
    for (int r = 2; r < StringGrid1.RowCount(); ++r) {
        const std::int64_t id = StringGrid1.Objects(col, r);
        if (id == 0) {
            continue;
        }
        const int k = textIndexOfId(id);
        if (k < 0) {
            continue;
        }
        const TPoint3& b = lists.textAry[k].base;
        const int i = tateIndexOf(lists.tateAry, b.x), j = yokoIndexOf(lists.yokoAry, b.y);
        if (i >= 0 && j >= 0) {
            return {id, b.x - lists.tateAry[i], b.y - lists.yokoAry[j]};
        }
    }
    return {};
}

void VivazQDLForm::Button2Click() {
    GridCommandScope guard(gridCommand_);
    if (!guard.entered()) {
        return;
    }
    const PendingMarksRefresh marks{*this};
    std::vector<double> pt{0, 0, 0};
    if (s_.cad->isTargetRunning(targetProgID)) {
        Dispatch app = s_.cad->attach(targetProgID);
        bringCadToFront(app);
        Dispatch doc = app.get(u"ActiveDocument").toDispatch();
        rebuildTextIndex();
        StringGrid& g = StringGrid1;
        ProgressBar1.setMax((g.RowCount() - 1) * (g.ColCount() - 1));
        ProgressBar1.setPosition(0);
        int edited = 0, added = 0, deleted = 0;
        // The drawing may have lost an entity since the Get: such a cell is passed over.
        auto entityOf = [&](std::int64_t id) -> Dispatch {
            try {
                return doc.call(u"ObjectIdToObject", {Variant::byRef(Variant(id))}).toDispatch();
            } catch (const Error&) {
                return {};
            }
        };
        for (int r = 1; r < g.RowCount(); ++r) {
            for (int c = 1; c < g.ColCount(); ++c) {
                ProgressBar1.setPosition(ProgressBar1.Position() + 1);
                s_.platform.pump->processMessages();
                if (r >= g.RowCount() || c >= g.ColCount()) {
                    continue;  // the grid cannot change size during the pass, but stay safe
                }
                const std::int64_t id = g.Objects(c, r);
                const std::u16string text = g.Cells(c, r);
                if (id != 0) {
                    const int k = textIndexOfId(id);
                    if (k < 0 || text == lists.textAry[k].sText) {
                        continue;
                    }
                    const Dispatch e = entityOf(id);
                    if (!e) {
                        continue;
                    }
                    if (!text.empty()) {
                        e.put(u"TextString", Variant(text));
                        lists.textAry[k].sText = text;
                        e.call(u"Update");
                        ++edited;
                    } else {
                        e.call(u"Delete");
                        unindexText(static_cast<std::size_t>(k));
                        lists.textAry[k].sText.clear();
                        lists.textAry[k].objID = 0;
                        g.setObjects(c, r, 0);
                        ++deleted;
                    }
                } else if (!text.empty()) {
                    const Template t = findTemplateText(c);
                    if (t.id == 0) {
                        continue;
                    }
                    const Dispatch tmpl = entityOf(t.id);
                    if (!tmpl) {
                        continue;
                    }
                    const Dispatch copy = tmpl.call(u"Copy").toDispatch();
                    copy.put(u"TextString", Variant(text));
                    pt[0] = lists.tateAry[c - 1] + t.dx;
                    pt[1] = lists.yokoAry[r - 1] + t.dy;
                    const std::int32_t alignment = copy.get(u"Alignment").toInt32();
                    copy.put(alignment == 1 ? u"InsertionPoint" : u"TextAlignmentPoint", Variant::byRef(Variant(pt)));
                    TQdlText rec;
                    rec.objID = copy.get(u"ObjectID").toInt64();
                    rec.code = copy.get(u"Alignment").toInt32();
                    rec.sText = copy.get(u"TextString").toString();
                    rec.base = {pt[0], pt[1], 0};  // where it was put, so it can serve as a template
                    lists.textAry.push_back(std::move(rec));
                    indexText(lists.textAry.size() - 1);
                    copy.call(u"Update");
                    g.setObjects(c, r, lists.textAry.back().objID);
                    ++added;
                }
            }
        }
        ProgressBar1.setPosition(0);
        copyGrid(StringGrid1, StringGrid2);
        Memo1.add(u"[更新] " + format("編集 = %d, 追加 = %d, 削除 = %d", edited, added, deleted));
        s_.platform.windows->setForegroundWindow(app.get(u"HWND").toUInt64());
        doc.call(u"Regen", {Variant(std::int32_t{0})});
    }
    ProgressBar1.setPosition(0);
    bringSelfToFront();
}

}  // namespace qx
