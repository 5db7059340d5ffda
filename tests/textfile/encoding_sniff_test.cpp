#include "textfile/encoding_sniff.h"

#include "file_support.h"

#include <gtest/gtest.h>

namespace {

struct SniffCase {
    const char16_t* text;
    const char16_t* declared;
};

const SniffCase kSniffCases[] = {
    // xml declaration at offset 0
    {u"<?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", u"GB2312"},
    {u"<?xml version='1.0' encoding='koi8-r'?><a/>", u"koi8-r"},
    {u"<?XML version=\"1.0\" ENCODING=\"Shift_JIS\"?><a/>", u"Shift_JIS"},
    {u"<?xml version=\"1.0\"\r\n  encoding = \"windows-1252\" standalone=\"yes\"?><a/>",
     u"windows-1252"},
    {u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>", u"UTF-8"},
    // not at offset 0, or not a declaration the reader accepts
    {u" <?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", u""},
    {u"\r\n<?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", u""},
    {u"<?xml encoding=\"GB2312\"?><a/>", u""},
    {u"<?xml-stylesheet href=\"a.css\"?><?xml version=\"1.0\" encoding=\"GB2312\"?><a/>", u""},
    {u"<?xml version=\"1.0\"?><html><head><meta http-equiv=\"Content-Type\" "
     u"content=\"text/html; charset=gb2312\"/></head></html>",
     u""},
    // HTML meta charset
    {u"<!DOCTYPE html><html><head><meta http-equiv=\"content-type\" "
     u"content=\"text/html; charset=gb2312\"></head></html>",
     u"gb2312"},
    {u"<html>\n<head>\n<title>t</title><!-- c --><meta content=\"text/html; charset=utf-8\" "
     u"http-equiv=\"Content-Type\"></head>",
     u"utf-8"},
    {u"<html><head><meta http-equiv=\"refresh\" content=\"5\"><meta http-equiv=\"Content-Type\" "
     u"content=\"text/html;charset = big5\"></head>",
     u"big5"},
    {u"<HTML><HEAD><META HTTP-EQUIV=Content-Type CONTENT='text/html; CHARSET=koi8-r'></HEAD>",
     u"koi8-r"},
    {u"<?php x ?><html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
     u"charset=gbk\">",
     u"gbk"},
    // HTML without a usable meta
    {u"<html><head></head><body><meta http-equiv=\"Content-Type\" "
     u"content=\"text/html; charset=gb2312\"></body></html>",
     u""},
    {u"<html><head><meta http-equiv=\"Content-Type\"><meta http-equiv=\"Content-Type\" "
     u"content=\"text/html; charset=gb2312\"></head>",
     u""},
    {u"<html><head><meta http-equiv=\"Content-Type\" content=\"text/html\"><meta "
     u"http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"></head>",
     u""},
    {u"<html><head><meta charset=\"gb2312\"></head>", u""},
    // ordinary XML and odd texts
    {u"<config><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\"/></config>",
     u""},
    {u"", u""},
    {u"plain text", u""},
    {u"<!-- only a comment -->", u""},
    {u"<?xml version=\"1.0\" encoding=\"GB2312", u""},
};

TEST(SniffEncodingDeclaration, FindsTheDeclaredName) {
    for (const SniffCase& c : kSniffCases) {
        EXPECT_EQ(Narrow(SniffEncodingDeclaration(c.text)), Narrow(c.declared)) << Narrow(c.text);
    }
}

TEST(SniffEncodingDeclaration, StopsAtTheFirstZeroUnit) {
    std::u16string text = u"<html><head>";
    text += u'\0';
    text += u"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
    EXPECT_EQ(Narrow(SniffEncodingDeclaration(text)), "");
}

} // namespace
