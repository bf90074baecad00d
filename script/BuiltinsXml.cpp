// XMLNode and XML: a tree of element and text nodes, the parser of XML texts (with the
// reference's status codes) and the text they print as. The tree lives in hidden properties
// of each node object, so the heap keeps it like any other value; the properties movies read
// (childNodes, firstChild, nodeName, ...) are accessors over it.
#include <algorithm>
#include <cstdlib>

#include "Text.h"
#include "script/Vm.h"

namespace script {

namespace {

// Hidden slots of a node.
constexpr const char* kKids = "\x01kids";  // the children, in order (an array)
constexpr const char* kView = "\x01view";  // the childNodes array movies hold
constexpr const char* kParent = "\x01parent";
constexpr const char* kType = "\x01type";
constexpr const char* kName = "\x01name";
constexpr const char* kValue = "\x01value";
constexpr const char* kAttrs = "\x01attrs";
constexpr uint16_t kHidden = kDontEnum | kDontDelete;

Value Arg(std::vector<Value>& a, size_t i) {
    return i < a.size() ? a[i] : Value();
}

Value Slot(Object* o, const char* name) {
    Property* p = o->FindOwn(name, true);
    return p ? p->value : Value();
}
void SetSlot(Object* o, const char* name, Value v) {
    o->SetOwn(name, std::move(v), true, kHidden);
}

bool IsNode(const Value& v) {
    return v.IsObject() && v.object->FindOwn(kKids, true) != nullptr;
}

Object* Kids(Object* n) {
    Value k = Slot(n, kKids);
    return k.IsObject() ? k.object : nullptr;
}

Object* ProtoNamed(Vm& vm, const char* ctor) {
    Value c = vm.GetOf(vm.global, ctor);
    Value p = c.IsObject() ? vm.GetOf(c.object, "prototype") : Value();
    return p.IsObject() ? p.object : vm.objectProto;
}

void InitNode(Vm& vm, Object* o, int type, Value name, Value value) {
    SetSlot(o, kKids, Value::Obj(vm.NewArray()));
    SetSlot(o, kView, Value::Obj(vm.NewArray()));
    SetSlot(o, kParent, Value::Null());
    SetSlot(o, kType, Value::Num(type));
    SetSlot(o, kName, std::move(name));
    SetSlot(o, kValue, std::move(value));
    SetSlot(o, kAttrs, Value::Obj(vm.NewObject()));
}

Object* NewNode(Vm& vm, int type, Value name, Value value) {
    Object* o = vm.NewObject(ProtoNamed(vm, "XMLNode"));
    InitNode(vm, o, type, std::move(name), std::move(value));
    return o;
}

// The childNodes array shows the children again after every change (the same array object).
void Refresh(Vm& vm, Object* n) {
    Object* kids = Kids(n);
    Value view = Slot(n, kView);
    if (!kids || !view.IsObject())
        return;
    uint32_t count = vm.LengthOf(kids);
    for (uint32_t i = 0; i < count; ++i)
        vm.SetElement(view.object, i, vm.Element(kids, i));
    vm.SetLength(view.object, count);
}

std::vector<Object*> Children(Vm& vm, Object* n) {
    std::vector<Object*> out;
    if (Object* kids = Kids(n)) {
        uint32_t count = vm.LengthOf(kids);
        for (uint32_t i = 0; i < count; ++i) {
            Value v = vm.Element(kids, i);
            if (v.IsObject())
                out.push_back(v.object);
        }
    }
    return out;
}

void SetChildren(Vm& vm, Object* n, const std::vector<Object*>& list) {
    Object* kids = Kids(n);
    if (!kids)
        return;
    vm.SetLength(kids, 0);
    for (uint32_t i = 0; i < list.size(); ++i)
        vm.SetElement(kids, i, Value::Obj(list[i]));
    Refresh(vm, n);
}

void Detach(Vm& vm, Object* child) {
    Value p = Slot(child, kParent);
    if (p.IsObject() && IsNode(p)) {
        std::vector<Object*> list = Children(vm, p.object);
        std::erase(list, child);
        SetChildren(vm, p.object, list);
    }
    SetSlot(child, kParent, Value::Null());
}

bool IsAncestor(Object* maybe, Object* node) {
    for (int d = 0; node && d < 4096; ++d) {
        if (node == maybe)
            return true;
        Value p = Slot(node, kParent);
        node = p.IsObject() ? p.object : nullptr;
    }
    return false;
}

// Appends a new node (one without a parent): constant time, for the parser.
void AppendNew(Vm& vm, Object* parent, Object* child) {
    Object* kids = Kids(parent);
    Value view = Slot(parent, kView);
    if (!kids || !view.IsObject())
        return;
    uint32_t n = vm.LengthOf(kids);
    vm.SetElement(kids, n, Value::Obj(child));
    vm.SetElement(view.object, vm.LengthOf(view.object), Value::Obj(child));
    SetSlot(child, kParent, Value::Obj(parent));
}

// Puts `child` into `parent` before `before` (at the end when null). A node cannot go into
// itself or its own descendants.
void Insert(Vm& vm, Object* parent, Object* child, Object* before) {
    if (IsAncestor(child, parent))
        return;
    Detach(vm, child);
    std::vector<Object*> list = Children(vm, parent);
    auto at = before ? std::find(list.begin(), list.end(), before) : list.end();
    list.insert(at, child);
    SetChildren(vm, parent, list);
    SetSlot(child, kParent, Value::Obj(parent));
}

void Print(Vm& vm, Object* n, std::string& out, int depth) {
    if (depth > 256)
        throw ScriptAbort{RunEnd::TooDeep};
    int type = ToInt32(vm.ToNumber(Slot(n, kType)));
    if (type == 3) {
        out += EscapeXml(vm.ToString(Slot(n, kValue)));
        return;
    }
    Value name = Slot(n, kName);
    std::vector<Object*> kids = Children(vm, n);
    bool named = !name.IsNullish();
    if (named) {
        out += '<';
        out += vm.ToString(name);
        Value attrs = Slot(n, kAttrs);
        if (attrs.IsObject()) {
            std::vector<std::string> names = vm.EnumerableNames(attrs.object);
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                out += ' ';
                out += *it;
                out += "=\"";
                out += EscapeXml(vm.ToString(vm.GetOf(attrs.object, *it)));
                out += '"';
            }
        }
        if (kids.empty()) {
            out += " />";
            return;
        }
        out += '>';
    }
    for (Object* k : kids)
        Print(vm, k, out, depth + 1);
    if (named) {
        out += "</";
        out += vm.ToString(name);
        out += '>';
    }
}

// ---- Parsing ----

std::string Unescape(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        size_t semi = s.find(';', i);
        if (semi == std::string_view::npos || semi - i > 10) {
            out += s[i];
            continue;
        }
        std::string_view ent = s.substr(i + 1, semi - i - 1);
        std::string rep;
        if (ent == "lt")
            rep = "<";
        else if (ent == "gt")
            rep = ">";
        else if (ent == "amp")
            rep = "&";
        else if (ent == "quot")
            rep = "\"";
        else if (ent == "apos")
            rep = "'";
        else if (ent.size() > 1 && ent[0] == '#') {
            bool hex = ent[1] == 'x' || ent[1] == 'X';
            std::string digits(ent.substr(hex ? 2 : 1));
            char* endp = nullptr;
            long code = std::strtol(digits.c_str(), &endp, hex ? 16 : 10);
            if (!digits.empty() && endp && *endp == 0 && code > 0 && code < 0x110000) {
                std::u16string u;
                if (code >= 0x10000) {
                    code -= 0x10000;
                    u += static_cast<char16_t>(0xD800 + (code >> 10));
                    u += static_cast<char16_t>(0xDC00 + (code & 0x3FF));
                } else {
                    u += static_cast<char16_t>(code);
                }
                rep = ToUtf8(u);
            }
        }
        if (rep.empty()) {
            out += s[i];
            continue;
        }
        out += rep;
        i = semi;
    }
    return out;
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

struct Parser {
    Vm& vm;
    Object* doc;
    std::string_view s;
    bool ignoreWhite;
    size_t i = 0;
    int status = 0;

    void Text(Object* parent, std::string text, bool raw) {
        if (text.empty())
            return;
        if (!raw && ignoreWhite) {
            bool allSpace = true;
            for (char c : text)
                if (!IsSpace(c))
                    allSpace = false;
            if (allSpace)
                return;
        }
        Object* t = NewNode(vm, 3, Value::Null(), Value::Str(raw ? text : Unescape(text)));
        AppendNew(vm, parent, t);
    }

    void Run() {
        std::vector<Object*> open{doc};
        size_t textStart = 0;
        auto flushText = [&](size_t end) {
            if (end > textStart)
                Text(open.back(), std::string(s.substr(textStart, end - textStart)), false);
        };
        while (i < s.size()) {
            if (s[i] != '<') {
                ++i;
                continue;
            }
            flushText(i);
            if (s.compare(i, 9, "<![CDATA[") == 0) {
                size_t e = s.find("]]>", i + 9);
                if (e == std::string_view::npos) {
                    status = -2;
                    return;
                }
                Text(open.back(), std::string(s.substr(i + 9, e - i - 9)), true);
                i = e + 3;
            } else if (s.compare(i, 4, "<!--") == 0) {
                size_t e = s.find("-->", i + 4);
                if (e == std::string_view::npos) {
                    status = -5;
                    return;
                }
                i = e + 3;
            } else if (s.compare(i, 2, "<?") == 0) {
                size_t e = s.find("?>", i + 2);
                if (e == std::string_view::npos) {
                    status = -3;
                    return;
                }
                std::string decl(s.substr(i, e + 2 - i));
                Value old = vm.GetOf(doc, "xmlDecl");
                vm.SetOf(doc, "xmlDecl", Value::Str(old.IsString() ? old.string + decl : decl));
                i = e + 2;
            } else if (s.compare(i, 2, "<!") == 0) {
                size_t e = s.find('>', i + 2);
                if (e == std::string_view::npos) {
                    status = -4;
                    return;
                }
                vm.SetOf(doc, "docTypeDecl", Value::Str(std::string(s.substr(i, e + 1 - i))));
                i = e + 1;
            } else if (s.compare(i, 2, "</") == 0) {
                size_t e = s.find('>', i + 2);
                if (e == std::string_view::npos) {
                    status = -6;
                    return;
                }
                std::string_view name = s.substr(i + 2, e - i - 2);
                while (!name.empty() && IsSpace(name.back()))
                    name.remove_suffix(1);
                if (open.size() < 2 || vm.ToString(Slot(open.back(), kName)) != name) {
                    status = -9;
                    return;
                }
                open.pop_back();
                i = e + 1;
            } else if (!Element(open)) {
                return;
            }
            textStart = i;
        }
        flushText(i);
        if (open.size() > 1)
            status = -10;
    }

    // An element's start tag: its name and attributes; returns false on a malformed one.
    bool Element(std::vector<Object*>& open) {
        size_t j = i + 1;
        size_t nameStart = j;
        while (j < s.size() && !IsSpace(s[j]) && s[j] != '>' && s[j] != '/')
            ++j;
        if (j >= s.size() || j == nameStart) {
            status = -6;
            return false;
        }
        Object* el = NewNode(vm, 1, Value::Str(std::string(s.substr(nameStart, j - nameStart))), Value::Null());
        Object* attrs = Slot(el, kAttrs).object;
        std::vector<std::pair<std::string, std::string>> found;
        for (;;) {
            while (j < s.size() && IsSpace(s[j]))
                ++j;
            if (j >= s.size()) {
                status = -6;
                return false;
            }
            if (s[j] == '>' || (s[j] == '/' && j + 1 < s.size() && s[j + 1] == '>'))
                break;
            size_t an = j;
            while (j < s.size() && s[j] != '=' && !IsSpace(s[j]) && s[j] != '>' && s[j] != '/')
                ++j;
            std::string aname(s.substr(an, j - an));
            while (j < s.size() && IsSpace(s[j]))
                ++j;
            if (j >= s.size() || s[j] != '=' || aname.empty()) {
                status = -6;
                return false;
            }
            ++j;
            while (j < s.size() && IsSpace(s[j]))
                ++j;
            if (j >= s.size() || (s[j] != '"' && s[j] != '\'')) {
                status = -8;
                return false;
            }
            char q = s[j++];
            size_t vend = s.find(q, j);
            if (vend == std::string_view::npos) {
                status = -8;
                return false;
            }
            found.emplace_back(std::move(aname), Unescape(s.substr(j, vend - j)));
            j = vend + 1;
        }
        // Attributes are kept last first (a for..in loop then meets them in document order);
        // the first of a repeated name wins.
        for (auto it = found.rbegin(); it != found.rend(); ++it) {
            bool later = false;
            for (auto jt = found.begin(); &*jt != &*it; ++jt)
                later = later || jt->first == it->first;
            if (!later)
                vm.SetOf(attrs, it->first, Value::Str(it->second));
        }
        AppendNew(vm, open.back(), el);
        if (s[j] == '/') {
            i = j + 2;
        } else {
            i = j + 1;
            open.push_back(el);
        }
        return true;
    }
};

void Parse(Vm& vm, Object* doc, const std::string& text) {
    SetChildren(vm, doc, {});
    Parser p{vm, doc, text, ToBoolean(vm.GetOf(doc, "ignoreWhite"), vm.curVersion)};
    p.Run();
    vm.SetOf(doc, "status", Value::Num(p.status));
}

// ---- Methods and accessors ----

// Namespaces: an attribute named xmlns:p declares prefix p; any other name starting with xmlns
// (xmlns, xmlns:, xmlnsX) declares the default one. The nearest element that declares it wins,
// and within an element the first declaration in document order.
bool Declares(const std::string& attr, std::string& prefix) {
    if (attr.compare(0, 5, "xmlns") != 0)
        return false;
    prefix = attr.size() > 6 && attr[5] == ':' ? attr.substr(6) : std::string();
    return true;
}

template <typename F>
Value FindDeclaration(Vm& vm, Object* n, const F& match) {
    for (int d = 0; n && d < 4096; ++d) {
        Value attrs = Slot(n, kAttrs);
        if (attrs.IsObject()) {
            std::vector<std::string> names = vm.EnumerableNames(attrs.object);
            for (auto it = names.rbegin(); it != names.rend(); ++it) {
                std::string prefix;
                if (!Declares(*it, prefix))
                    continue;
                std::string uri = vm.ToString(vm.GetOf(attrs.object, *it));
                if (match(prefix, uri))
                    return Value::Str(match.result(prefix, uri));
            }
        }
        Value p = Slot(n, kParent);
        n = p.IsObject() ? p.object : nullptr;
    }
    return Value::Null();
}

struct ByPrefix {
    std::string want;
    bool operator()(const std::string& prefix, const std::string&) const { return prefix == want; }
    std::string result(const std::string&, const std::string& uri) const { return uri; }
};
struct ByUri {
    std::string want;
    bool operator()(const std::string&, const std::string& uri) const { return uri == want; }
    std::string result(const std::string& prefix, const std::string&) const { return prefix; }
};

// The prefix ("" for none) and local part of an element's name; false for nameless nodes.
bool SplitName(Vm& vm, Object* n, std::string& prefix, std::string& local) {
    Value name = Slot(n, kName);
    if (name.IsNullish())
        return false;
    std::string s = vm.ToString(name);
    size_t colon = s.find(':');
    prefix = colon == std::string::npos ? std::string() : s.substr(0, colon);
    local = colon == std::string::npos ? s : s.substr(colon + 1);
    return true;
}

enum NodeMethod {
    kGetNamespaceForPrefix,
    kGetPrefixForNamespace,
    kAppendChild,
    kInsertBefore,
    kRemoveNode,
    kCloneNode,
    kHasChildNodes,
    kToString,
    kCreateElement,
    kCreateTextNode,
    kParseXml,
};

Object* Clone(Vm& vm, Object* n, bool deep, int depth) {
    if (depth > 256)
        throw ScriptAbort{RunEnd::TooDeep};
    Object* c = NewNode(vm, ToInt32(vm.ToNumber(Slot(n, kType))), Slot(n, kName), Slot(n, kValue));
    Value attrs = Slot(n, kAttrs);
    if (attrs.IsObject()) {
        Object* to = Slot(c, kAttrs).object;
        std::vector<std::string> names = vm.EnumerableNames(attrs.object);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            vm.SetOf(to, *it, vm.GetOf(attrs.object, *it));
    }
    if (deep)
        for (Object* k : Children(vm, n))
            AppendNew(vm, c, Clone(vm, k, true, depth + 1));
    return c;
}

Value NodeMethodFn(Vm& vm, const Value& self, std::vector<Value>& args, int m) {
    if (!IsNode(self))
        return Value();
    Object* n = self.object;
    switch (m) {
    case kGetNamespaceForPrefix:
        return FindDeclaration(vm, n, ByPrefix{vm.ToString(Arg(args, 0))});
    case kGetPrefixForNamespace:
        return FindDeclaration(vm, n, ByUri{vm.ToString(Arg(args, 0))});
    case kAppendChild:
        if (IsNode(Arg(args, 0)))
            Insert(vm, n, args[0].object, nullptr);
        return Value();
    case kInsertBefore: {
        Value before = Arg(args, 1);
        if (IsNode(Arg(args, 0)) && IsNode(before) && Slot(before.object, kParent).object == n)
            Insert(vm, n, args[0].object, before.object);
        return Value();
    }
    case kRemoveNode:
        Detach(vm, n);
        return Value();
    case kCloneNode:
        return Value::Obj(Clone(vm, n, ToBoolean(Arg(args, 0), vm.curVersion), 0));
    case kHasChildNodes:
        return Value::Bool(!Children(vm, n).empty());
    case kToString: {
        std::string out;
        if (Slot(n, kName).IsNullish() && vm.ToNumber(Slot(n, kType)) == 1) {
            // A document prints its declarations first.
            Value decl = vm.GetOf(n, "xmlDecl"), doctype = vm.GetOf(n, "docTypeDecl");
            if (!decl.IsNullish())
                out += vm.ToString(decl);
            if (!doctype.IsNullish())
                out += vm.ToString(doctype);
        }
        Print(vm, n, out, 0);
        return Value::Str(out);
    }
    case kCreateElement:
        return Value::Obj(NewNode(vm, 1, Value::Str(vm.ToString(Arg(args, 0))), Value::Null()));
    case kCreateTextNode:
        return Value::Obj(NewNode(vm, 3, Value::Null(), Value::Str(vm.ToString(Arg(args, 0)))));
    case kParseXml:
        Parse(vm, n, vm.ToString(Arg(args, 0)));
        return Value();
    }
    return Value();
}

enum NodeGetter {
    kGetFirstChild,
    kGetLastChild,
    kGetNextSibling,
    kGetPreviousSibling,
    kGetParentNode,
    kGetChildNodes,
    kGetNodeType,
    kGetNodeName,
    kGetNodeValue,
    kGetAttributes,
    kGetPrefix,
    kGetLocalName,
    kGetNamespaceUri,
};

Value NodeGetterFn(Vm& vm, const Value& self, std::vector<Value>&, int m) {
    if (!IsNode(self))
        return Value();
    Object* n = self.object;
    auto sibling = [&](int step) -> Value {
        Value p = Slot(n, kParent);
        if (!p.IsObject())
            return Value::Null();
        std::vector<Object*> list = Children(vm, p.object);
        for (size_t i = 0; i < list.size(); ++i)
            if (list[i] == n) {
                long j = static_cast<long>(i) + step;
                return j >= 0 && j < static_cast<long>(list.size()) ? Value::Obj(list[static_cast<size_t>(j)])
                                                                    : Value::Null();
            }
        return Value::Null();
    };
    switch (m) {
    case kGetFirstChild:
    case kGetLastChild: {
        std::vector<Object*> list = Children(vm, n);
        if (list.empty())
            return Value::Null();
        return Value::Obj(m == kGetFirstChild ? list.front() : list.back());
    }
    case kGetNextSibling:
        return sibling(1);
    case kGetPreviousSibling:
        return sibling(-1);
    case kGetParentNode:
        return Slot(n, kParent);
    case kGetChildNodes:
        return Slot(n, kView);
    case kGetNodeType:
        return Slot(n, kType);
    case kGetNodeName:
        return Slot(n, kName);
    case kGetNodeValue:
        return Slot(n, kValue);
    case kGetAttributes:
        return Slot(n, kAttrs);
    case kGetPrefix:
    case kGetLocalName:
    case kGetNamespaceUri: {
        std::string prefix, local;
        if (!SplitName(vm, n, prefix, local))
            return Value::Null();
        if (m == kGetPrefix)
            return Value::Str(prefix);
        if (m == kGetLocalName)
            return Value::Str(local);
        return FindDeclaration(vm, n, ByPrefix{prefix});
    }
    }
    return Value();
}

Value NodeSetterFn(Vm&, const Value& self, std::vector<Value>& args, int m) {
    if (!IsNode(self))
        return Value();
    const char* slot = m == kGetNodeName ? kName : (m == kGetNodeValue ? kValue : kAttrs);
    if (m == kGetAttributes && !Arg(args, 0).IsObject())
        return Value();
    SetSlot(self.object, slot, Arg(args, 0));
    return Value();
}

Value XmlNodeCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!self.IsObject())
        return Value();
    double type = vm.ToNumber(Arg(args, 0));
    bool text = type == 3;
    Value v = Arg(args, 1);
    InitNode(vm, self.object, text ? 3 : 1, text ? Value::Null() : v, text ? v : Value::Null());
    return self;
}

Value XmlCtor(Vm& vm, const Value& self, std::vector<Value>& args, int) {
    if (!self.IsObject())
        return Value();
    InitNode(vm, self.object, 1, Value::Null(), Value::Null());
    if (!args.empty() && !args[0].IsNullish())
        Parse(vm, self.object, vm.ToString(args[0]));
    return self;
}

}  // namespace

void InstallXmlBuiltins(Vm& vm) {
    Object* nodeProto = vm.NewObject();
    Object* nodeCtor = vm.NewFunction(XmlNodeCtor, 0, nodeProto);
    vm.global->SetOwn("XMLNode", Value::Obj(nodeCtor), false, kDontEnum);
    const std::pair<const char*, int> methods[] = {{"appendChild", kAppendChild},
                                                   {"insertBefore", kInsertBefore},
                                                   {"removeNode", kRemoveNode},
                                                   {"cloneNode", kCloneNode},
                                                   {"hasChildNodes", kHasChildNodes},
                                                   {"toString", kToString},
                                                   {"getNamespaceForPrefix", kGetNamespaceForPrefix},
                                                   {"getPrefixForNamespace", kGetPrefixForNamespace}};
    for (auto& [n, m] : methods)
        vm.Method(nodeProto, n, NodeMethodFn, m);
    const std::pair<const char*, int> getters[] = {{"firstChild", kGetFirstChild},
                                                   {"lastChild", kGetLastChild},
                                                   {"nextSibling", kGetNextSibling},
                                                   {"previousSibling", kGetPreviousSibling},
                                                   {"parentNode", kGetParentNode},
                                                   {"childNodes", kGetChildNodes},
                                                   {"nodeType", kGetNodeType},
                                                   {"nodeName", kGetNodeName},
                                                   {"nodeValue", kGetNodeValue},
                                                   {"attributes", kGetAttributes},
                                                   {"prefix", kGetPrefix},
                                                   {"localName", kGetLocalName},
                                                   {"namespaceURI", kGetNamespaceUri}};
    for (auto& [n, m] : getters) {
        Property& p = nodeProto->SetOwn(n, Value(), false, kDontEnum);
        p.getter = vm.NewFunction(NodeGetterFn, m);
        if (m == kGetNodeName || m == kGetNodeValue || m == kGetAttributes)
            p.setter = vm.NewFunction(NodeSetterFn, m);
    }
    Object* xmlProto = vm.NewObject(nodeProto);
    Object* xmlCtor = vm.NewFunction(XmlCtor, 0, xmlProto);
    vm.global->SetOwn("XML", Value::Obj(xmlCtor), false, kDontEnum);
    vm.Method(xmlProto, "createElement", NodeMethodFn, kCreateElement);
    vm.Method(xmlProto, "createTextNode", NodeMethodFn, kCreateTextNode);
    vm.Method(xmlProto, "parseXML", NodeMethodFn, kParseXml);
    xmlProto->SetOwn("ignoreWhite", Value::Bool(false), false, kDontEnum);
    xmlProto->SetOwn("contentType", Value::Str("application/x-www-form-urlencoded"), false, kDontEnum);
}

}  // namespace script
