"""The game list: building the demo games and writing the GBK catalogue XML."""

import random
from dataclasses import dataclass

import games as data

XML_HEAD = '<?xml version="1.0" encoding="gb2312"?>\n'

# Attribute order matters to the client's reader; keep it fixed here.
ATTRIBUTES = ("id", "title", "litpic", "filesize", "flash_fangfa", "flashurl", "flashsay", "onclick", "keyboard", "ztid")


@dataclass
class Game:
    id: int
    category: str
    title: str
    scheme: str
    who: str
    goal: str
    say: str
    big: bool = False
    onclick: str = ""
    ztid: int = 1
    filesize: str = "1 KB"

    @property
    def litpic_ext(self):
        return "jpg" if self.id % 3 == 1 else "png" if self.id % 3 == 2 else "gif"

    @property
    def animated_thumb(self):
        return self.id % 6 == 0

    @property
    def litpic(self):
        return f"uploads/litpic/{self.id}.{self.litpic_ext}"

    @property
    def fangfa(self):
        return data.SCHEME_TEXT[self.scheme][0].format(who=self.who, goal=self.goal)

    @property
    def keyboard(self):
        return data.SCHEME_TEXT[self.scheme][1]


def filesize_text(size):
    if size < 1024 * 1024:
        return f"{max(1, round(size / 1024))} KB"
    return f"{size / (1024 * 1024):.2f} MB"


def xml_attr(value):
    return (
        str(value).replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")
    )


# --- generated games (extra site games and the benchmark catalogue) -------------------------------------------------

_PREFIX = ["疯狂", "超级", "快乐", "小小", "极速", "勇敢的", "魔法", "梦幻", "神奇", "无敌", "经典", "欢乐"]
_HERO = ["小熊", "企鹅", "兔子", "忍者", "骑士", "赛车", "坦克", "飞船", "海盗", "公主", "恐龙", "机器人", "小鸡", "熊猫"]
_ACTION = ["大冒险", "历险记", "大作战", "闯关", "快跑", "保卫战", "寻宝", "大逃亡", "总动员", "运动会", "救援队"]
_SUFFIX = ["", "", "", "2", "3", "豪华版", "加强版", "双人版", "新春版"]
_GOAL = [
    "收集所有的金币",
    "躲开路上的障碍",
    "在规定时间内到达终点",
    "打败每一关的守关怪物",
    "救出被困的小伙伴",
    "找到通往下一关的钥匙",
    "把敌人全部赶走",
]
_PLACE = ["神秘的森林", "遥远的太空", "热闹的城市", "古老的城堡", "冰雪王国", "海底世界", "沙漠绿洲", "糖果小镇"]
_SAY = [
    "{hero}来到了{place}，一场惊险刺激的旅程就此展开。关卡设计巧妙，越往后越考验你的技巧和耐心，快来挑战吧！",
    "全新关卡的{title}终于来了！陪着{hero}闯荡{place}，收集道具、解开机关，看看你能坚持到第几关。",
    "画面可爱、操作简单的休闲小游戏。帮助{hero}在{place}里完成任务，适合全家人一起玩，轻松又解压。",
]


def generated_game(rnd, game_id, category):
    hero = rnd.choice(_HERO)
    title = rnd.choice(_PREFIX) + hero + rnd.choice(_ACTION) + rnd.choice(_SUFFIX)
    scheme = rnd.choice(data.SCHEME_KEYS)
    say = rnd.choice(_SAY).format(hero=hero, place=rnd.choice(_PLACE), title=title)
    return Game(
        id=game_id,
        category=category,
        title=title,
        scheme=scheme,
        who=hero,
        goal=rnd.choice(_GOAL),
        say=say,
        onclick=rnd.choice(("", "", "1")),
        ztid=rnd.randint(1, 8),
    )


def build_games(count, seed):
    """Demo games, ids 1..count in file order. Hand-written ones first, generated ones pad larger counts."""
    rnd = random.Random(f"games:{seed}")
    per_category = {name: [] for name, _ in data.CATEGORIES}
    handwritten = [(name, entry) for name, entries in data.CATEGORIES for entry in entries]
    for name, (title, scheme, who, goal, say) in handwritten[:count]:
        per_category[name].append(
            Game(0, name, title, scheme, who, goal, say, big=(title == data.BIG_GAME_TITLE))
        )
    names = [name for name, _ in data.CATEGORIES]
    for k in range(max(0, count - len(handwritten))):
        name = names[k % len(names)]
        per_category[name].append(generated_game(rnd, 0, name))
    result = []
    for name in names:
        for game in per_category[name]:
            game.id = len(result) + 1
            if not game.onclick:
                game.onclick = "1" if rnd.random() < 0.25 else ""
            game.ztid = rnd.randint(1, 8)
            result.append(game)
    return result


def group(games):
    """[(category, [games])] in first-seen order."""
    order, groups = [], {}
    for g in games:
        if g.category not in groups:
            groups[g.category] = []
            order.append(g.category)
        groups[g.category].append(g)
    return [(name, groups[name]) for name in order]


def catalogue_line(game, base):
    values = {
        "id": game.id,
        "title": game.title,
        "litpic": game.litpic,
        "filesize": game.filesize,
        "flash_fangfa": game.fangfa,
        "flashurl": f"{base}/flash/{game.id}.swf",
        "flashsay": game.say,
        "onclick": game.onclick,
        "keyboard": game.keyboard,
        "ztid": game.ztid,
    }
    return "<data " + " ".join(f'{k}="{xml_attr(values[k])}"' for k in ATTRIBUTES) + " />\n"


def catalogue_text(games, base):
    parts = [XML_HEAD, "<root>\n"]
    for name, members in group(games):
        parts.append(f'<category name="{xml_attr(name)}">\n')
        parts.extend(catalogue_line(g, base) for g in members)
        parts.append("</category>\n")
    parts.append("</root>\n")
    return "".join(parts)


def catalogue_bytes(games, base):
    # Strict: a character outside GBK must fail here, not turn into '?' in the file.
    return catalogue_text(games, base).encode("gbk")


def version_bytes(version, base):
    text = (
        XML_HEAD + f"<root><data><version>{xml_attr(version)}</version>"
        f"<updateurl>{xml_attr(base)}/flashxmlfile/gamelist.xml</updateurl></data></root>\n"
    )
    return text.encode("gbk")


def benchmark_games(count, seed):
    """A large catalogue whose files need not exist: sizes and thumbnails are plausible inventions."""
    rnd = random.Random(f"bench:{seed}")
    names = [name for name, _ in data.CATEGORIES]
    per = [[] for _ in names]
    for k in range(count):
        per[k % len(names)].append(k)
    result = []
    for ci, members in enumerate(per):
        for _ in members:
            g = generated_game(rnd, len(result) + 1, names[ci])
            g.filesize = filesize_text(rnd.randint(40_000, 3_000_000))
            result.append(g)
    return result
