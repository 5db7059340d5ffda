#include "markup/xml_doc.h"

void CXmlDoc::LinkElement(int32_t parent, int32_t after, int32_t element) {
    XmlElementRec& n = elements[element];
    XmlElementRec& p = elements[parent];
    n.parent = parent;
    if (after != 0) {
        XmlElementRec& a = elements[after];
        n.Clear(ElemFirstChild);
        n.nextSibling = a.nextSibling;
        if (n.nextSibling != 0)
            elements[n.nextSibling].prevSibling = element;
        else
            elements[p.firstChild].prevSibling = element;
        a.nextSibling = element;
        n.prevSibling = after;
    } else {
        n.Set(ElemFirstChild);
        if (p.firstChild != 0) {
            XmlElementRec& s = elements[p.firstChild];
            n.nextSibling = p.firstChild;
            n.prevSibling = s.prevSibling;
            s.prevSibling = element;
            s.Clear(ElemFirstChild);
        } else {
            n.nextSibling = 0;
            n.prevSibling = element;
        }
        p.firstChild = element;
    }
    if (parent != 0)
        n.SetLevel(p.Level() + 1);
}

void CXmlDoc::ShiftFollowing(int32_t element, int32_t shift, bool skipChildren) {
    if (shift == 0 || elements[element].StartTagLength() == 0)
        return;
    // The next record in document order after c, or g when the walk climbs up to it.
    auto nextAfter = [this](int32_t c, int32_t g) {
        if (elements[c].nextSibling != 0)
            return elements[c].nextSibling;
        for (int32_t up = elements[c].parent;; up = elements[up].parent) {
            if (up == g)
                return g;
            if (elements[up].nextSibling != 0)
                return elements[up].nextSibling;
        }
    };

    int32_t grow = elements[element].parent; // next enclosing element still to grow
    int32_t cur = element;
    bool descend = !skipChildren;
    for (;;) {
        int32_t q = 0;
        if (cur == grow) {
            grow = elements[cur].parent;
            q = nextAfter(cur, grow);
        } else if (descend && elements[cur].firstChild != 0) {
            q = elements[cur].firstChild;
        } else {
            q = nextAfter(cur, grow);
        }
        if (q == grow)
            elements[q].length += shift;
        else
            elements[q].start += shift;
        descend = true;
        if (elements[q].StartTagLength() == 0)
            return;
        cur = q;
    }
}

bool CXmlDoc::IsLiveElement(int32_t pos) const {
    return pos >= 0 && pos < usedCount && !elements[pos].Has(ElemFreed);
}
