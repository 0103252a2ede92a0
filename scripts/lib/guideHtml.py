#!/usr/bin/python3
"""Turns the Japanese guide (Markdown) into one HTML page that opens by double click.

Usage: guideHtml.py GUIDE.md OUT.html VERSION

Uses Debian's python3-markdown with its tables and attribute-list extensions;
the pictures stay beside the page (images/), as the Markdown links them.
"""
import html
import re
import sys

import markdown

STYLE = """
body { font-family: "Yu Gothic UI", "Meiryo", "MS UI Gothic", sans-serif; line-height: 1.7;
       max-width: 60em; margin: 0 auto; padding: 1em 2em 4em; color: #222; }
h1 { border-bottom: 3px solid #2E75B6; padding-bottom: .2em; }
h2 { border-left: 6px solid #2E75B6; padding-left: .4em; margin-top: 2em; }
h3 { margin-top: 1.6em; }
table { border-collapse: collapse; margin: .8em 0; }
th, td { border: 1px solid #bbb; padding: .25em .6em; vertical-align: top; }
th { background: #DDEBF7; }
code, kbd { font-family: "MS Gothic", monospace; background: #f3f3f3; padding: 0 .2em; }
kbd { border: 1px solid #aaa; border-radius: 3px; }
img { max-width: 100%; border: 1px solid #ccc; }
blockquote { border-left: 4px solid #FFB000; margin-left: 0; padding: .2em 1em; background: #FFF8E5; }
nav.toc { background: #f6f9fc; border: 1px solid #dde; padding: .4em 1.2em; }
footer { margin-top: 3em; color: #777; font-size: 90%; }
"""


def main():
    source, target, version = sys.argv[1:4]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    md = markdown.Markdown(extensions=["tables", "attr_list", "toc", "sane_lists"],
                           extension_configs={"toc": {"toc_depth": "2-2"}})
    body = md.convert(text)
    # A line break in a Japanese paragraph is no word space, though a browser shows one: it
    # goes after Japanese punctuation and before a Japanese character.
    body = re.sub(r"(?<=[\u3000-\u303f\uff01-\uff0f\uff1a-\uff20])\n[ \t]*(?=[^<\s])", "", body)
    body = re.sub(r"\n[ \t]*(?=[\u3000-\u9fff\uff00-\uffef])", "", body)
    title = text.splitlines()[0].lstrip("# ").strip()
    # The contents go after the title.
    head, sep, rest = body.partition("</h1>")
    body = head + sep + f'\n<nav class="toc"><strong>目次</strong>{md.toc}</nav>' + rest
    page = f"""<!DOCTYPE html>
<html lang="ja">
<head>
<meta charset="utf-8">
<title>{html.escape(title)}</title>
<style>{STYLE}</style>
</head>
<body>
{body}
<footer>QuadcelX {html.escape(version)}</footer>
</body>
</html>
"""
    with open(target, "w", encoding="utf-8", newline="\r\n") as f:
        f.write(page)


if __name__ == "__main__":
    main()
