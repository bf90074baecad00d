// XML: parsing (entities, CDATA, comments, declarations, status codes), printing, the live
// childNodes array and moving nodes in the tree.
#include <gtest/gtest.h>

#include "TestHost.h"

namespace script {
namespace {

using test::TestHost;

class XmlTest : public ::testing::Test {
protected:
    TestHost host;
    Vm vm{host, 8};
    Value Parse(const char* text) { return vm.Construct(vm.GetOf(vm.global, "XML"), {Value::Str(text)}); }
};

TEST_F(XmlTest, ParsesAndPrintsAsTheReference) {
    struct Case {
        const char* text;
        const char* printed;
        double status;
    };
    const Case cases[] = {
        {"<a x=\"1\" y='&lt;2'><b/>t&amp;t</a>", "<a x=\"1\" y=\"&lt;2\"><b />t&amp;t</a>", 0},
        {"<a><![CDATA[<raw>]]><!-- note --></a>", "<a>&lt;raw&gt;</a>", 0},
        {"<?xml version=\"1.0\"?><!DOCTYPE d><d/>", "<?xml version=\"1.0\"?><!DOCTYPE d><d />", 0},
        {"<a>&#65;&#x42;</a>", "<a>AB</a>", 0},
        {"<a><b></a>", "<a><b /></a>", -9},  // an end tag that closes nothing open
        {"<a>", "<a />", -10},               // a start tag never closed
        {"<a x=\"1></a>", "", -8},           // an attribute value never closed
        {"<a><!-- open", "<a />", -5},
    };
    for (const auto& c : cases) {
        Value x = Parse(c.text);
        EXPECT_EQ(vm.ToString(x), c.printed) << c.text;
        EXPECT_EQ(vm.Get(x, "status").number, c.status) << c.text;
    }
}

TEST_F(XmlTest, ChildNodesIsOneLiveArrayAndNodesMoveBetweenParents) {
    Value x = Parse("<lst><a/><b/></lst><c/>");
    Value lst = vm.Get(x, "firstChild");
    Value kids = vm.Get(lst, "childNodes");
    vm.CallMethod(lst, "appendChild", {vm.CallMethod(x, "createElement", {Value::Str("n")})});
    EXPECT_EQ(vm.ToString(kids), "<a />,<b />,<n />");
    EXPECT_EQ(vm.Get(lst, "childNodes").object, kids.object);
    // Moving a node takes it out of its old parent; a node cannot go into its own child.
    Value a = vm.Get(lst, "firstChild");
    vm.CallMethod(x, "appendChild", {a});
    EXPECT_EQ(vm.ToString(x), "<lst><b /><n /></lst><c /><a />");
    vm.CallMethod(vm.Get(lst, "firstChild"), "appendChild", {lst});
    EXPECT_EQ(vm.ToString(x), "<lst><b /><n /></lst><c /><a />");
    EXPECT_TRUE(vm.Get(vm.Get(lst, "lastChild"), "nextSibling").IsNull());
    vm.CallMethod(a, "removeNode", {});
    EXPECT_TRUE(vm.Get(a, "parentNode").IsNull());
    EXPECT_EQ(vm.ToString(vm.CallMethod(lst, "cloneNode", {Value::Bool(true)})), "<lst><b /><n /></lst>");
}

TEST_F(XmlTest, NamespacesComeFromTheNearestDeclaration) {
    Value x = Parse("<p:a xmlns:p='urn:p' xmlnsX='urn:first' xmlns='urn:second'><p:b xmlns:q='urn:q'/></p:a>");
    Value a = vm.Get(x, "firstChild");
    Value b = vm.Get(a, "firstChild");
    EXPECT_EQ(vm.Get(b, "prefix").string, "p");
    EXPECT_EQ(vm.Get(b, "localName").string, "b");
    EXPECT_EQ(vm.Get(b, "namespaceURI").string, "urn:p");
    EXPECT_EQ(vm.CallMethod(b, "getNamespaceForPrefix", {Value::Str("q")}).string, "urn:q");
    EXPECT_EQ(vm.CallMethod(b, "getNamespaceForPrefix", {Value::Str("")}).string, "urn:first");  // the first one
    EXPECT_EQ(vm.CallMethod(a, "getPrefixForNamespace", {Value::Str("urn:p")}).string, "p");
    EXPECT_TRUE(vm.CallMethod(a, "getNamespaceForPrefix", {Value::Str("q")}).IsNull());
    EXPECT_TRUE(vm.Get(x, "prefix").IsNull());
}

}  // namespace
}  // namespace script
