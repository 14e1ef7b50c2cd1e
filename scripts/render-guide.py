#!/usr/bin/python3
"""Renders docs/user-guide.md to one HTML page (pictures stay beside it in images/).
   render-guide.py GUIDE.md OUT.html VERSION"""
import html
import sys

import markdown

STYLE = """
body { font-family: Segoe UI, DejaVu Sans, Arial, sans-serif; max-width: 60em; margin: 2em auto;
       padding: 0 1em; line-height: 1.45; color: #1b1b1b; }
h1, h2, h3 { color: #1e3a5f; }
code, pre { font-family: Consolas, DejaVu Sans Mono, monospace; background: #f2f2f2; }
pre { padding: .6em; overflow-x: auto; }
table { border-collapse: collapse; margin: 1em 0; }
th, td { border: 1px solid #bbb; padding: .3em .6em; vertical-align: top; text-align: left; }
th { background: #e8eef5; }
img { max-width: 100%; border: 1px solid #999; }
"""


def main():
    source, target, version = sys.argv[1:4]
    # The guide reads well as it is (`tavik-<version>-win32.zip`); the page
    # names the release itself.
    with open(source, encoding="utf-8") as f:
        text = f.read().replace("<version>", version).replace("{{VERSION}}", version)
    text = text.replace("# Tavik user guide", "# Tavik %s user guide" % version, 1)
    body = markdown.markdown(text, extensions=["tables", "fenced_code", "toc"])
    title = "Tavik %s user guide" % html.escape(version)
    with open(target, "w", encoding="utf-8") as f:
        f.write('<!DOCTYPE html>\n<html lang="en">\n<head>\n<meta charset="utf-8">\n'
                "<title>%s</title>\n<style>%s</style>\n</head>\n<body>\n%s\n</body>\n</html>\n"
                % (title, STYLE, body))


if __name__ == "__main__":
    main()
