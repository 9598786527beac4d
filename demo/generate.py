#!/usr/bin/env python3
"""Generate the demo content site and/or the seed of the program folder.

  generate.py --site SITE_DIR --program PROGRAM_DIR --base http://127.0.0.1:8790 [--games N] [--seed S]
  generate.py --catalogue-only FILE --games 20000 [--seed S] [--base URL]
"""

import argparse
import hashlib
import html
import os
import sys
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import catalogue  # noqa: E402
import games as data  # noqa: E402
import movies  # noqa: E402
import pictures  # noqa: E402

SITE_VERSION = "2026-12-09"
SEED_VERSION = "2026-12-01"
APP_VERSION = "3.0.2"
DEFAULT_BASE = "http://127.0.0.1:8790"
DEFAULT_SEED = 2026
# Games per category kept in the older catalogue that seeds the program folder.
SEED_CATEGORIES, SEED_PER_CATEGORY = 3, 4


def checked_base(base):
    """The base lands unescaped in INI files and URLs; refuse anything that could break them."""
    base = base.rstrip("/")
    parts = urllib.parse.urlsplit(base)
    if parts.scheme not in ("http", "https") or not parts.netloc:
        raise ValueError(f"--base must be an http(s) address, got {base!r}")
    if any(c.isspace() or c in '"<>\'\\' or ord(c) < 0x20 or ord(c) > 0x7E for c in base):
        raise ValueError(f"--base contains characters that cannot go into the catalogue: {base!r}")
    return base


def write(path, content, mode=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
    if mode is not None:
        os.chmod(path, mode)


def ini_bytes(sections):
    """GBK INI text with CRLF line ends, as the old server wrote it."""
    lines = []
    for header, entries in sections:
        lines.append(f"[{header}]")
        lines += [f"{k}={v}" for k, v in entries]
        lines.append("")
    return "\r\n".join(lines).encode("gbk")


def html_page(title, body):
    return (
        '<!DOCTYPE html>\n<html lang="zh-CN">\n<head>\n<meta charset="utf-8">\n'
        f"<title>{html.escape(title)}</title>\n"
        "<style>body{font-family:sans-serif;margin:2em;background:#f6f4ee;color:#333}"
        ".g{display:inline-block;width:130px;margin:6px;text-align:center;font-size:13px;vertical-align:top}"
        ".g img{width:120px;height:90px;border:1px solid #ccc}</style>\n"
        f"</head>\n<body>\n{body}\n</body>\n</html>\n"
    ).encode("utf-8")


def notices(base):
    return [(text, f"{base}/notice/{k}.html") for k, text in enumerate(data.NOTICES, start=1)]


def notice_file(base):
    sections = []
    for k, (text, url) in enumerate(notices(base), start=1):
        # One lower-case header on purpose: the client must match section names case-insensitively.
        sections.append((f"ad{k}" if k == 2 else f"AD{k}", [("ADNAME", text), ("adurl", url)]))
    return ini_bytes(sections)


def game_movie(game, seed):
    background, colors = movies.game_colors(game.id, seed)
    # Every fourth movie is zlib-compressed (CWS) so both header kinds get served.
    opts = movies.MovieOptions(
        game.id, scheme=game.scheme, big=game.big, compress=(game.id % 4 == 0 and not game.big), seed=seed,
        background=background, colors=colors,
    )
    return movies.build_movie(opts)


def write_site(site, base, count, seed):
    games = catalogue.build_games(count, seed)
    for g in games:
        background, colors = movies.game_colors(g.id, seed)
        movie = game_movie(g, seed)
        write(os.path.join(site, "flash", f"{g.id}.swf"), movie)
        g.filesize = catalogue.filesize_text(len(movie))
        thumb = pictures.thumbnail(g.id, background, colors, g.litpic_ext, animated=g.animated_thumb, seed=seed)
        write(os.path.join(site, *g.litpic.split("/")), thumb)

    xml_dir = os.path.join(site, "flashxmlfile")
    write(os.path.join(xml_dir, "gamelist.xml"), catalogue.catalogue_bytes(games, base))
    write(os.path.join(xml_dir, "version.xml"), catalogue.version_bytes(SITE_VERSION, base))

    ads = notices(base)
    write(os.path.join(site, "ad1.txt"), notice_file(base))
    for k, (text, _) in enumerate(ads, start=1):
        body = f"<h1>公告</h1>\n<p>{html.escape(text)}</p>\n<p><a href=\"{base}/index.html\">返回首页</a></p>"
        write(os.path.join(site, "notice", f"{k}.html"), html_page("公告", body))

    # The newer build the updater offers; the description names its digest, which the client checks.
    new_build = f'#!/bin/sh\necho "Tabrazo {APP_VERSION} update placeholder: nothing to install yet."\n'.encode()
    write(os.path.join(site, "update", "tabrazo"), new_build, mode=0o755)
    write(
        os.path.join(site, "Update3.html"),
        ini_bytes(
            [("Main", [("Version", APP_VERSION), ("Url", f"{base}/update/tabrazo"), ("QzUpdate", "0"),
                       ("BeeName", f"Tabrazo {APP_VERSION}"), ("Sha256", hashlib.sha256(new_build).hexdigest())])]
        ),
    )
    write(
        os.path.join(site, "beta3", "beta3tongji.html"),
        html_page("统计", f"<h1>统计</h1>\n<p>本站共收录 {len(games)} 款小游戏。</p>"),
    )
    write(
        os.path.join(site, "forum.php"),
        html_page("论坛", "<h1>论坛</h1>\n<p>欢迎来到玩家论坛！分享你的高分和攻略。</p>"),
    )
    items = []
    for name, members in catalogue.group(games):
        items.append(f"<h2>{html.escape(name)}</h2>")
        for g in members:
            items.append(
                f'<div class="g"><a href="flash/{g.id}.swf"><img src="{g.litpic}" alt=""><br>'
                f"{html.escape(g.title)}</a><br>{html.escape(g.filesize)}</div>"
            )
    write(os.path.join(site, "index.html"), html_page("小游戏大全", "<h1>小游戏大全</h1>\n" + "\n".join(items)))
    return games


def write_program(program, base, count, seed):
    games = catalogue.build_games(count, seed)
    older = []
    for name, members in catalogue.group(games)[:SEED_CATEGORIES]:
        older += members[:SEED_PER_CATEGORY]
    # Sizes as the site would report them; the seed catalogue never has its own movies.
    for g in older:
        g.filesize = catalogue.filesize_text(len(game_movie(g, seed)))
    write(os.path.join(program, "VerTmp.Dll"), catalogue.version_bytes(SEED_VERSION, base))
    write(os.path.join(program, "LDsend.Dll"), catalogue.catalogue_bytes(older, base))
    write(os.path.join(program, "ImgLoading.gif"), pictures.spinner())
    # The program writes its options into Config.dll at its first start, after which a downloaded
    # notice file never replaces it; so the notices are delivered with the program.
    # No hotkeys are chosen yet, so their boxes start unchecked rather than asking at every start.
    settings = [("用户设置", [("增加音量", "0"), ("减少音量", "0"), ("禁音", "0")])]
    write(os.path.join(program, "Config.dll"), notice_file(base) + b"\r\n" + ini_bytes(settings))
    return older


def main(argv=None):
    parser = argparse.ArgumentParser(description="Generate the demo content site and program folder seed.")
    parser.add_argument("--site", help="folder to write the site into")
    parser.add_argument("--program", help="folder to write the program folder seed into")
    parser.add_argument("--catalogue-only", metavar="FILE", help="write only a (large) catalogue file")
    parser.add_argument("--base", default=DEFAULT_BASE, help=f"site address (default {DEFAULT_BASE})")
    parser.add_argument("--games", type=int, help="number of games (default 48; 20000 with --catalogue-only)")
    parser.add_argument("--seed", type=int, default=DEFAULT_SEED)
    args = parser.parse_args(argv)

    if not (args.site or args.program or args.catalogue_only):
        parser.error("give --site, --program and/or --catalogue-only")
    try:
        base = checked_base(args.base)
    except ValueError as e:
        parser.error(str(e))
    if args.games is not None and args.games < 1:
        parser.error("--games must be at least 1")

    if args.catalogue_only:
        games = catalogue.benchmark_games(args.games or 20000, args.seed)
        write(os.path.abspath(args.catalogue_only), catalogue.catalogue_bytes(games, base))
        if not (args.site or args.program):
            return 0
    count = args.games or sum(len(entries) for _, entries in data.CATEGORIES)
    if args.site:
        write_site(args.site, base, count, args.seed)
    if args.program:
        write_program(args.program, base, count, args.seed)
    return 0


if __name__ == "__main__":
    sys.exit(main())
