#!/usr/bin/python3
"""The page in headless Chromium, driven through its own controls, against the native player.

Serves the built page as scripts/web does, with the probe that shows the tests its state (serve_page.py),
and checks:
  - the list offers every shipped scene;
  - every shipped scene stepped N times with the Step button shows the pixels of
    `mirrim-cli render --scene S --steps N --snapshot x.bmp`, on the canvas and (once) in the PNG that
    Snapshot downloads;
  - every shipped scene played with the pointer held on the picture shows the pixels of the same command
    with --pointer at the point the page mapped, after as many ticks as the page ran;
  - Load takes a definition file and the PNG or JPEG picture it names from disk (the browser decodes
    them) and plays as the native player does with the same files; a definition with mistakes brings
    up the checker's findings, naming the file as the user chose it;
  - a file that holds no scene, a scene larger than the page shows and a picture that declares
    20000 x 20000 pixels are refused with a message, quickly, and the scene plays on as before;
  - a chosen folder, and a folder dropped on the page, load as the same files chosen one by one;
  - the window's keys (Space, Right, Delete, P, R, S, Ctrl+minus and Ctrl+plus) do what they do there;
  - at 375 x 667 and 320 x 568 the picture fills the width, nothing overflows, every control is at
    least 24 pixels to touch and the menu opens from its button (screenshots kept in --out);
  - Record makes a WebM file that ffprobe reads (when ffprobe is there), and refuses one of no frames;
    with an animated GIF chosen, a GIF of as many frames, its last one the native picture;
  - the link `mirrim-cli share` prints plays, seed and picture carried, the pixels of `mirrim-cli render`
    of the file with that seed; Share makes the address carry the scene playing and its seed; a link
    that unpacks to too much is refused with a message;
  - every control is labelled and reachable with Tab, and F1, Shift+F10 and Esc do what they do in the
    window;
  - the page starts again from its service worker with the server gone;
  - nothing was written to the console at error level.
It prints the time of one tick of the default scene with 10^4 particles, over 200 ticks.
Exits 77 (skipped) when Chromium, its driver or Selenium is missing.
"""
import argparse
import base64
import contextlib
import io
import os
import shutil
import random
import socket
import struct
import subprocess
import sys
import tempfile
import time
import zlib

SKIP = 77

try:
    from PIL import Image
    from selenium import webdriver
    from selenium.common.exceptions import WebDriverException
    from selenium.webdriver.chrome.options import Options
    from selenium.webdriver.chrome.service import Service
    from selenium.webdriver.common.action_chains import ActionChains
    from selenium.webdriver.common.by import By
    from selenium.webdriver.common.keys import Keys
    from selenium.webdriver.support.ui import Select
except ImportError as missing:
    print(f"skipped: {missing}")
    sys.exit(SKIP)

CHROMIUM_FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                  "--disable-background-networking", "--disable-component-update", "--disable-sync",
                  "--window-size=1000,900"]


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@contextlib.contextmanager
def server(folder, port):
    serve = os.path.join(os.path.dirname(os.path.abspath(__file__)), "serve_page.py")
    process = subprocess.Popen([sys.executable, serve, str(port), folder],
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            with contextlib.suppress(OSError), socket.create_connection(("127.0.0.1", port), timeout=0.1):
                break
            time.sleep(0.05)
        yield process
    finally:
        if process.poll() is None:
            process.terminate()
            process.wait()


def browser(downloads):
    options = Options()
    for flag in CHROMIUM_FLAGS:
        options.add_argument(flag)
    options.add_argument("--user-data-dir=" + tempfile.mkdtemp(prefix="mirrim-chromium-"))
    options.binary_location = shutil.which("chromium")
    options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
    options.add_experimental_option("prefs", {"download.default_directory": downloads,
                                              "download.prompt_for_download": False})
    driver = webdriver.Chrome(service=Service(shutil.which("chromedriver")), options=options)
    driver.execute_cdp_cmd("Page.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
    return driver


def wait(what, condition, seconds=20):
    deadline = time.time() + seconds
    while time.time() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def state(driver):
    return driver.execute_script("return window.mirrimPage && window.mirrimPage.state()")


def canvas_picture(driver):
    url = driver.execute_script("return document.getElementById('picture').toDataURL('image/png')")
    return Image.open(io.BytesIO(base64.b64decode(url.split(",", 1)[1]))).convert("RGB")


def native_picture(cli, out, scene, steps, pointer=None):
    """SCENE None plays the player's own scene."""
    path = os.path.join(out, f"native-{os.path.basename(scene or 'default')}-{steps}.bmp")
    command = [cli, "render", "--quiet", "--steps", str(steps), "--snapshot", path] + (["--scene", scene] if scene else [])
    if pointer:
        command += ["--pointer", f"{pointer[0]},{pointer[1]}"]
    subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
    return Image.open(path).convert("RGB")


def same_pixels(what, page, native):
    if page.size != native.size:
        raise AssertionError(f"{what}: {page.size} on the page, {native.size} natively")
    if page.tobytes() != native.tobytes():
        differing = sum(1 for a, b in zip(page.getdata(), native.getdata()) if a != b)
        raise AssertionError(f"{what}: {differing} pixels differ")
    print(f"{what}: the same {page.size[0]} x {page.size[1]} pixels")


def downloaded(downloads, suffix):
    def found():
        names = [n for n in os.listdir(downloads) if n.endswith(suffix)]
        return os.path.join(downloads, names[0]) if names else None
    return wait("a download ending in " + suffix, found)


def choose_scene(driver, name):
    """Starts the scene afresh from the list, which acts only on a change: from another scene first."""
    scenes = Select(driver.find_element(By.ID, "scenes"))
    if state(driver)["scene"] == name:
        other = next(o.get_attribute("value") for o in scenes.options if o.get_attribute("value") != name)
        choose_scene(driver, other)
    scenes.select_by_value(name)
    wait(f"scene {name}", lambda: state(driver)["scene"] == name and state(driver)["ticks"] == 0)


def press(driver, button_id):
    """Presses a button from the keyboard: focus it and hit Return, as a keyboard user would (Space is
    play and stop wherever the keyboard is, as in the window)."""
    driver.find_element(By.ID, button_id).send_keys(Keys.ENTER)


def shipped_scenes():
    names = sorted(f[:-4] for f in os.listdir("scenes") if f.endswith(".zrk"))
    return ["default"] + names


def scene_file(name):
    return None if name == "default" else f"scenes/{name}.zrk"


def check_list(driver):
    offered = driver.execute_script("return [...document.getElementById('scenes').options].map((o) => o.value)")
    assert offered == shipped_scenes(), f"the list offers {offered}"
    print(f"list: {len(offered)} shipped scenes offered")


def check_steps(driver, cli, out, scene, steps):
    """The scene stepped with the Step button shows the native snapshot's pixels."""
    choose_scene(driver, scene)
    step = driver.find_element(By.ID, "step")
    for _ in range(steps):
        step.click()
    assert state(driver)["ticks"] == steps, state(driver)
    native = native_picture(cli, out, scene_file(scene), steps)
    same_pixels(f"{scene}, {steps} steps", canvas_picture(driver), native)
    return native


def check_snapshot(driver, downloads, native):
    press(driver, "snapshot")
    snapshot = Image.open(downloaded(downloads, ".png")).convert("RGB")
    same_pixels("Snapshot's PNG", snapshot, native)


def check_pointer(driver, cli, out, scene, wanted=30):
    """The scene played with the pointer held on picture pixel (100, 80) from its first tick."""
    choose_scene(driver, scene)
    canvas = driver.find_element(By.ID, "picture")
    size = driver.execute_script(
        "const c = arguments[0]; return [c.clientWidth / c.width, c.clientWidth, c.clientHeight];", canvas)
    scale, width, height = size
    # Aim at the middle of the pixel; offsets count from the element's centre.
    x = (100.5 * scale) - width / 2
    y = (80.5 * scale) - height / 2
    ActionChains(driver).move_to_element_with_offset(canvas, int(x), int(y)).click_and_hold().perform()
    press(driver, "play")
    wait(f"{wanted} ticks", lambda: state(driver)["ticks"] >= wanted)
    press(driver, "stop")
    ActionChains(driver).release().perform()
    now = state(driver)
    assert not now["playing"] and now["caption"] == "Dozozudori", now
    pointer = (now["pointer"]["x"], now["pointer"]["y"])
    assert abs(pointer[0] - 100) <= 1 and abs(pointer[1] - 80) <= 1, pointer
    native = native_picture(cli, out, scene_file(scene), now["ticks"], pointer)
    same_pixels(f"{scene}, {now['ticks']} ticks holding the pointer at {pointer}", canvas_picture(driver), native)


def load_files(driver, paths):
    """Load from the keyboard, then the files chosen in the browser's file choice."""
    press(driver, "load")
    chooser = driver.find_element(By.ID, "files")
    driver.execute_script("arguments[0].hidden = false", chooser) # the driver types only into shown fields
    chooser.send_keys("\n".join(paths))
    driver.execute_script("arguments[0].hidden = true", chooser)


def message_shown(driver):
    wait("a message", lambda: driver.execute_script("return document.getElementById('message').open"))
    text = driver.find_element(By.ID, "message-text").text
    ActionChains(driver).send_keys(Keys.ESCAPE).perform()
    wait("the message to close", lambda: not driver.execute_script("return document.getElementById('message').open"))
    return text


def load_quietly_and_step(driver, what, loaded_before, steps):
    """Waits for what was chosen to load without a message, then steps the scene."""
    wait(f"{what} to load", lambda: state(driver)["loaded"] == loaded_before + 1)
    said = driver.execute_script(
        "return document.getElementById('message').open && document.getElementById('message-text').textContent")
    assert not said, f"loading {what} said: {said}"
    step = driver.find_element(By.ID, "step")
    for _ in range(steps):
        step.click()


def check_load(driver, cli, out):
    """A definition file from disk with the picture it names, PNG and then JPEG, each decoded by the
    browser, against the native player reading the same files; then a definition with mistakes, whose
    findings name the user's file and line."""
    folder = os.path.join(out, "chosen")
    os.makedirs(folder)
    letters = Image.open("scenes/lettering.gif").convert("RGB")
    with open("scenes/lettering.vq", encoding="utf-8") as f:
        definition = f.read()
    steps = 12
    for kind, options in (("png", {}), ("jpg", {"quality": 90})):
        picture = os.path.join(folder, f"letters.{kind}")
        letters.save(picture, **options)
        scene = os.path.join(folder, f"letters-{kind}.vq")
        with open(scene, "w", encoding="utf-8") as f:
            f.write(definition.replace("lettering.gif", f"letters.{kind}"))
        choose_scene(driver, "default")
        loaded = state(driver)["loaded"]
        load_files(driver, [scene, picture])
        load_quietly_and_step(driver, "the definition", loaded, steps)
        native = native_picture(cli, out, scene, steps)
        same_pixels(f"a definition and its {kind.upper()} picture loaded from disk, {steps} steps",
                    canvas_picture(driver), native)
        if kind == "png": # Share carries the picture, and the page opened afresh on the link plays it
            press(driver, "share")
            wait("Share", lambda: "&pic=letters.png:" in driver.execute_script("return location.hash"))
            driver.refresh()
            wait("the linked scene", lambda: (state(driver) or {}).get("scene") == "link")
            wait("20 ticks", lambda: state(driver)["ticks"] >= 20)
            press(driver, "stop")
            ticks = state(driver)["ticks"]
            same_pixels(f"its link, {ticks} ticks", canvas_picture(driver), native_picture(cli, out, scene, ticks))

    faulty = os.path.join(folder, "mistakes.vq")
    with open(faulty, "w", encoding="utf-8") as f:
        f.write("constraint.Force\n<DeltaY>0.25</DeltaY>\n.\nconstraint.NoSuchClass\n.\n"
                "constraint.RemoveAged\n<MaximumAge>ninety</MaximumAge>\n.\n")
    load_files(driver, [faulty])
    text = message_shown(driver)
    lines = text.splitlines()
    named = [line for line in lines if line.startswith("mistakes.vq:")]
    assert len(named) >= 2 and "NoSuchClass" in text and "/load/" not in text, text
    print(f"findings: {len(named)} lines naming mistakes.vq and its lines")


def check_photo(driver, out):
    """A 4000 x 3000 photo decodes while the page goes on drawing, saying that it is reading."""
    folder = os.path.join(out, "photo")
    os.makedirs(folder)
    Image.open("scenes/lettering.gif").convert("RGB").resize((4000, 3000)).save(
        os.path.join(folder, "photo.jpg"), quality=90)
    with open("scenes/lettering.vq", encoding="utf-8") as f:
        definition = f.read().replace("lettering.gif", "photo.jpg")
    with open(os.path.join(folder, "photo.vq"), "w", encoding="utf-8") as f:
        f.write(definition)
    driver.execute_script("""
        const seen = window.watched = { gap: 0, said: new Set() };
        let last = performance.now();
        const frame = (now) => {
          seen.gap = Math.max(seen.gap, now - last);
          last = now;
          seen.said.add(document.getElementById('status').textContent);
          if (!seen.done) requestAnimationFrame(frame);
        };
        requestAnimationFrame(frame);""")
    before = state(driver)["loaded"]
    load_files(driver, [os.path.join(folder, "photo.vq"), os.path.join(folder, "photo.jpg")])
    wait("the photo to load", lambda: state(driver)["loaded"] == before + 1, 60)
    gap, said = driver.execute_script(
        "window.watched.done = true; return [window.watched.gap, [...window.watched.said]];")
    assert any(text.startswith("Reading photo.jpg (4000 x 3000)") for text in said), said
    assert gap < 2000, f"the page froze for {gap:.0f} ms"
    print(f"photo: 4000 x 3000 read with the page frozen at most {gap:.0f} ms, saying {said[-1]!r}")
    press(driver, "share")
    said = message_shown(driver)
    assert "cannot be shared" in said and '"photo.jpg"' in said, said


def archive_string(text):
    data = text.encode()
    assert len(data) < 255
    return bytes([len(data)]) + data


def scene_bytes(definition, width, height):
    """A versioned scene file: header, version, definition, pointer mapping, part factory, pictures,
    size and view flags."""
    fields = [archive_string("Dozozudori"), struct.pack("<i", 1000), archive_string(definition),
              struct.pack("<ii", 0, 0), archive_string("CenterX"), archive_string("CenterY"), struct.pack("<i", 0),
              struct.pack("<ffff", 0, 0, 1, 1), archive_string("factory.ParticlesSquare"), archive_string(""),
              archive_string(""), archive_string(""), struct.pack("<iiiiii", width, height, 1, 0, 1, 1)]
    return b"".join(fields)


def png_declaring(width, height):
    """A small PNG whose header declares width x height; its pixel data ends after a few rows."""
    import zlib

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    rows = zlib.compress(b"\0" * (width * 3 + 1) * 4)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", rows) + chunk(b"IEND", b""))


def check_refusals(driver, cli, out):
    """Files that would leave nothing to show are refused with a message; the scene plays on as if they
    had never been chosen, to the pixel: a loaded scene that reads its pictures on every tick too."""
    folder = os.path.join(out, "refused")
    os.makedirs(folder)
    noise = random.Random(20).randbytes(4096)
    files = [("noise.zrk", noise, "holds no scene"),
             ("wide.zrk", scene_bytes("constraint.RemoveAged\r\n\r\n.\r\n", 5000, 240), "4096 a side"),
             ("bomb.png", png_declaring(20000, 20000), "20000 x 20000 pixels")]
    fireworks = ["scenes/fireworks.zrk"] + [f"scenes/fireworks{n}.gif" for n in (0, 15, 30, 45)]
    choose_scene(driver, "default")
    loaded = state(driver)["loaded"]
    load_files(driver, [os.path.abspath(f) for f in fireworks])
    load_quietly_and_step(driver, "the fireworks", loaded, 20)
    for name, data, said in files:
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        began = time.time()
        load_files(driver, [path])
        text = message_shown(driver)
        took = time.time() - began
        assert said in text and ("was not loaded" in text or "was not read" in text), text
        assert took < 10, f"{name}: refused after {took:.1f} s"
        assert driver.execute_script("return document.getElementById('picture').width") == 320
        print(f"refused: {name} in {took:.1f} s: {text.splitlines()[0]}")
    step = driver.find_element(By.ID, "step")
    for _ in range(40):
        step.click()
    same_pixels("the loaded fireworks after the refusals, 60 steps", canvas_picture(driver),
                native_picture(cli, out, fireworks[0], 60))
    # Earlier loads and links let their files go; the fireworks keep theirs.
    held = state(driver)["folders"]
    assert len(held) == 1 and held[0].startswith("/load/"), held


FAKE_ENTRIES = """
// A dropped folder as the browser hands it over: entries to walk, read in batches.
const [name, files] = arguments;
const entry = (path, file) => ({ isFile: true, isDirectory: false, name: path, file: (ok) => ok(file) });
const folder = (title, children) => ({ isFile: false, isDirectory: true, name: title, createReader() {
  let given = false;
  return { readEntries(ok) { ok(given ? [] : children); given = true; } };
} });
const tree = (pairs) => {
  const here = new Map();
  for (const [path, base64] of pairs) {
    const [first, ...rest] = path.split('/');
    if (rest.length === 0) {
      here.set(first, entry(first, new File([Uint8Array.from(atob(base64), (c) => c.charCodeAt(0))], first)));
    } else {
      here.set(first, [...(here.get(first) || []), [rest.join('/'), base64]]);
    }
  }
  return [...here].map(([title, kept]) => (Array.isArray(kept) ? folder(title, tree(kept)) : kept));
};
const transfer = { files: [], items: [{ kind: 'file', webkitGetAsEntry: () => folder(name, tree(files)) }] };
const drop = new Event('drop', { bubbles: true, cancelable: true });
Object.defineProperty(drop, 'dataTransfer', { value: transfer });
document.body.dispatchEvent(drop);
"""


def check_folder(driver, cli, out):
    """A folder chosen with Load Folder..., then dropped, holding a definition, the GIF it names in a
    folder below, a picture it does not name and a text file: both play as the native player does with
    the definition."""
    folder = os.path.join(out, "folder")
    os.makedirs(os.path.join(folder, "pictures"))
    shutil.copy("scenes/lettering.gif", os.path.join(folder, "pictures"))
    Image.new("RGB", (8, 8)).save(os.path.join(folder, "unused.png"))
    with open("scenes/lettering.vq", encoding="utf-8") as f:
        definition = f.read().replace("lettering.gif", "pictures/lettering.gif")
    with open(os.path.join(folder, "lettering.vq"), "w", encoding="utf-8") as f:
        f.write(definition)
    with open(os.path.join(folder, "notes.txt"), "w", encoding="utf-8") as f:
        f.write("not a scene\n")
    steps = 10
    native = native_picture(cli, out, os.path.join(folder, "lettering.vq"), steps)
    for how in ("chosen", "dropped"):
        choose_scene(driver, "default")
        before = state(driver)["loaded"]
        if how == "chosen":
            driver.find_element(By.ID, "more").click()
            driver.find_element(By.CSS_SELECTOR, "#menu [data-command=folder]").click()
            chooser = driver.find_element(By.ID, "folder")
            driver.execute_script("arguments[0].hidden = false", chooser)
            chooser.send_keys(folder)
            driver.execute_script("arguments[0].hidden = true", chooser)
        else:
            files = []
            for name in ("lettering.vq", "notes.txt", "pictures/lettering.gif", "unused.png"):
                with open(os.path.join(folder, name), "rb") as f:
                    files.append([name, base64.b64encode(f.read()).decode()])
            driver.execute_script(FAKE_ENTRIES, "folder", files)
        load_quietly_and_step(driver, f"the {how} folder", before, steps)
        same_pixels(f"a {how} folder, {steps} steps", canvas_picture(driver), native)

    # A scene below the picture it names cannot take it along in a link: Share says so.
    choose_scene(driver, "default")
    before = state(driver)["loaded"]
    with open("scenes/lettering.gif", "rb") as f:
        picture = base64.b64encode(f.read()).decode()
    above = base64.b64encode(definition.replace("pictures/lettering.gif", "../lettering.gif").encode()).decode()
    driver.execute_script(FAKE_ENTRIES, "above", [["scene/lettering.vq", above], ["lettering.gif", picture]])
    load_quietly_and_step(driver, "a scene below its picture", before, steps)
    same_pixels(f"a scene below its picture, {steps} steps", canvas_picture(driver), native)
    press(driver, "share")
    said = message_shown(driver)
    assert 'names the picture "../lettering.gif" outside its folder' in said, said


def lit_pixels(driver):
    return sum(1 for p in canvas_picture(driver).getdata() if p != (0, 0, 0))


def check_keys(driver, downloads):
    """The window's keys, with the keyboard on the page or on a button."""
    choose_scene(driver, "default")
    keys = ActionChains(driver)

    def hit(*sequence):
        ActionChains(driver).send_keys(*sequence).perform()

    assert not state(driver)["playing"]
    driver.find_element(By.ID, "clear").send_keys(Keys.SPACE) # Space is play, even on a button
    wait("Space to play", lambda: state(driver)["playing"] and state(driver)["ticks"] >= 3)
    assert state(driver)["particles"] > 0, "Space pressed Clear"
    hit(Keys.SPACE)
    wait("Space to stop", lambda: not state(driver)["playing"])
    ticks = state(driver)["ticks"]
    hit(Keys.ARROW_RIGHT, ".")
    assert state(driver)["ticks"] == ticks + 2, state(driver)
    hit(Keys.DELETE)
    assert state(driver)["particles"] == 0, state(driver)
    hit(Keys.ARROW_RIGHT, Keys.ARROW_RIGHT)
    assert lit_pixels(driver) > 0
    hit("p", Keys.ARROW_RIGHT)
    assert lit_pixels(driver) == 0, "P did not hide the particles"
    hit("p", Keys.ARROW_RIGHT)
    assert lit_pixels(driver) > 0, "P did not show the particles again"
    for name in os.listdir(downloads): # a download of the same name replaces the file
        if name.endswith(".png"):
            os.remove(os.path.join(downloads, name))
    hit("s")
    downloaded(downloads, ".png")
    hit("r")
    wait("R to record", lambda: driver.find_element(By.ID, "recording").is_displayed())
    hit("r")
    wait("R to finish", lambda: driver.find_element(By.ID, "record").is_displayed())
    said = message_shown(driver)
    assert "at least 3 frames" in said, said # a WebM of no frames opens nowhere
    width = lambda: driver.execute_script("return document.getElementById('picture').clientWidth")
    wide = width()
    keys.key_down(Keys.CONTROL).send_keys("-").key_up(Keys.CONTROL).perform()
    assert width() == 320, width()
    ActionChains(driver).key_down(Keys.CONTROL).send_keys("=").key_up(Keys.CONTROL).perform()
    assert width() == min(wide, 640), width()
    print("keys: Space, Right, '.', Delete, P, S, R, Ctrl+minus and Ctrl+= work as in the window")


def unpack(data):
    return zlib.decompress(base64.urlsafe_b64decode(data + "=" * (-len(data) % 4)))


def check_share(driver, cli, out, url):
    scene = "scenes/lettering.zrk" # it names a picture
    link = subprocess.run([cli, "share", scene, "--seed", "5", "--base", url],
                          check=True, capture_output=True, text=True).stdout.strip()
    parts = link.split("#", 1)[1].split("&")
    with open(scene, "rb") as f:
        assert unpack(parts[0][len("def="):]) == f.read(), "the link does not hold the file"
    assert "seed=5" in parts and any(p.startswith("pic=lettering.gif:") for p in parts), parts
    driver.get(link)
    wait("the linked scene", lambda: state(driver)["scene"] == "link" and state(driver)["ticks"] == 0)
    step = driver.find_element(By.ID, "step")
    for _ in range(15):
        step.click()
    native = os.path.join(out, "native-shared.bmp")
    subprocess.run([cli, "render", "--quiet", "--scene", scene, "--seed", "5", "--steps", "15", "--snapshot", native],
                   check=True, stdout=subprocess.DEVNULL)
    same_pixels("the link of mirrim-cli share, 15 steps", canvas_picture(driver), Image.open(native).convert("RGB"))

    choose_scene(driver, "vortex")
    field = driver.find_element(By.ID, "seed")
    field.clear()
    field.send_keys("9", Keys.ENTER)
    wait("the seed in the address", lambda: "seed=9" in driver.execute_script("return location.hash"))
    press(driver, "share")
    hash = wait("Share", lambda: (lambda h: h.startswith("#def=") and h)(driver.execute_script("return location.hash")))
    parts = hash[1:].split("&")
    with open("scenes/vortex.zrk", "rb") as f:
        assert unpack(parts[0][len("def="):]) == f.read() and parts[1:] == ["seed=9"], parts
    field.clear()
    field.send_keys(Keys.ENTER)

    bomb = base64.urlsafe_b64encode(zlib.compress(bytes(4 << 20))).decode().rstrip("=")
    driver.get(url + "#def=" + bomb)
    said = message_shown(driver)
    assert "more than 1048576 bytes" in said and state(driver)["scene"] == "default", said
    print(f"share: a link of {len(link)} characters plays the file's pixels; Share carries the scene and seed")


def check_small_screens(driver, out):
    """A phone held upright, and the narrowest common screen."""
    for width, height in ((375, 667), (320, 568)):
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": height, "deviceScaleFactor": 2, "mobile": True})
        wait("the page to fit", lambda: driver.execute_script("return document.documentElement.clientWidth") == width)
        driver.execute_script("window.dispatchEvent(new Event('resize'))")
        shot = os.path.join(out, f"page-{width}x{height}.png")
        driver.save_screenshot(shot)
        layout = driver.execute_script("""
            const box = (e) => e.getBoundingClientRect();
            const small = [...document.querySelectorAll('#window button, #window select')]
              .filter((e) => !e.hidden && (box(e).width < 24 || box(e).height < 24))
              .map((e) => `${e.id} ${box(e).width.toFixed(1)} x ${box(e).height.toFixed(1)}`);
            return { picture: box(document.getElementById('picture')).width,
                     overflow: document.documentElement.scrollWidth - document.documentElement.clientWidth, small };""")
        assert layout["overflow"] <= 0, f"{width} wide: the page overflows by {layout['overflow']} px"
        assert not layout["small"], f"{width} wide: too small to touch: {layout['small']}"
        assert layout["picture"] >= width - 40, f"{width} wide: the picture is {layout['picture']} px wide"
        driver.find_element(By.ID, "more").click()
        wait("the menu", lambda: not driver.execute_script("return document.getElementById('menu').hidden"))
        driver.find_element(By.CSS_SELECTOR, "#menu [data-command=statistics]").click()
        assert message_shown(driver).endswith(" particles")
        print(f"{width} x {height}: the picture {layout['picture']:.0f} px wide, no overflow, every control "
              f"at least 24 px, the menu from its button ({shot})")
    driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})


def record_steps(driver, downloads, suffix, steps=15):
    """Records while stepping; the file downloaded once it is written."""
    press(driver, "record")
    wait("Recording in Record's place", lambda: driver.find_element(By.ID, "recording").is_displayed())
    step = driver.find_element(By.ID, "step")
    for _ in range(steps):
        step.click()
    press(driver, "recording")
    path = downloaded(downloads, suffix)
    wait("the recording to be written", lambda: os.path.getsize(path) > 0 and not os.path.exists(path + ".crdownload"))
    return path


def check_recording(driver, downloads):
    video = record_steps(driver, downloads, ".webm")
    if not shutil.which("ffprobe"):
        print("recording: ffprobe missing, not checked")
        return
    probe = subprocess.run(["ffprobe", "-v", "error", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,width,height", "-of", "csv=p=0", video],
                           check=True, capture_output=True, text=True).stdout.strip()
    codec, width, height = probe.split(",")[:3]
    assert codec in ("vp8", "vp9") and (width, height) == ("320", "240"), probe
    print(f"recording: ffprobe reads {codec} {width} x {height}")


def check_gif(driver, downloads, cli, out):
    """Video Compressor... chooses an animated GIF, which the page writes itself."""
    driver.find_element(By.ID, "more").click()
    driver.find_element(By.CSS_SELECTOR, "#menu [data-command=compressor]").click()
    wait("the compressor dialog", lambda: driver.execute_script("return document.getElementById('compressor').open"))
    Select(driver.find_element(By.ID, "codec")).select_by_value("image/gif")
    driver.find_element(By.CSS_SELECTOR, "#compressor button[value=ok]").click()
    choose_scene(driver, "default")
    gif = record_steps(driver, downloads, ".gif")
    probe = subprocess.run(["ffprobe", "-v", "error", "-count_frames", "-select_streams", "v:0", "-show_entries",
                            "stream=codec_name,width,height,nb_read_frames", "-of", "csv=p=0", gif],
                           check=True, capture_output=True, text=True).stdout.strip()
    assert probe == "gif,320,240,15", probe
    # The default scene's few colours all fit the clip's palette: its last frame is the native picture.
    last = Image.open(gif)
    last.seek(last.n_frames - 1)
    same_pixels("the GIF's last frame", last.convert("RGB"), native_picture(cli, out, None, 15))
    print(f"GIF: ffprobe reads {probe}")


def check_speed(driver):
    # The first rounds also give the browser time to compile the module fully; the best is the figure.
    rounds = [driver.execute_script("return window.mirrimPage.benchmark(10000, 200)") for _ in range(3)]
    for r in rounds:
        print(f"speed: {r['msPerTick']:.3f} ms a tick of the default scene with {r['fewest']} to {r['most']} "
              "particles, over 200 ticks")
    print(f"speed: best {min(r['msPerTick'] for r in rounds):.3f} ms a tick")


def check_keyboard(driver):
    # Every control has a name a screen reader can read.
    unnamed = driver.execute_script("""
        return [...document.querySelectorAll('#window button, #window select, #window input')].filter((e) => {
          const label = e.getAttribute('aria-label') || (e.labels && e.labels.length && e.labels[0].textContent);
          return !label || !label.trim();
        }).map((e) => e.id);""")
    assert not unnamed, f"controls without a label: {unnamed}"
    # Tab reaches every control that is shown and enabled, in the window's order.
    # Start from the caption above the picture, as from the top of the page.
    driver.execute_script("const c = document.getElementById('caption'); c.tabIndex = -1; c.focus();")
    expected = driver.execute_script("""
        return [...document.querySelectorAll('#window button, #window select, #window input')]
          .filter((e) => !e.disabled && !e.hidden).map((e) => e.id);""")
    body = driver.find_element(By.TAG_NAME, "body")
    reached = []
    for _ in range(len(expected)):
        ActionChains(driver).send_keys(Keys.TAB).perform()
        reached.append(driver.execute_script("return document.activeElement.id"))
    assert reached == expected, f"Tab went {reached}, controls are {expected}"
    # F1: About; Esc closes it. Shift+F10: the popup, first item focused; Esc closes it.
    ActionChains(driver).send_keys(Keys.F1).perform()
    wait("About", lambda: driver.execute_script("return document.getElementById('about').open"))
    ActionChains(driver).send_keys(Keys.ESCAPE).perform()
    wait("About to close", lambda: not driver.execute_script("return document.getElementById('about').open"))
    ActionChains(driver).key_down(Keys.SHIFT).send_keys(Keys.F10).key_up(Keys.SHIFT).perform()
    wait("the popup menu", lambda: driver.execute_script(
        "return !document.getElementById('menu').hidden && document.activeElement.dataset.command === 'load'"))
    ActionChains(driver).send_keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ENTER).perform()
    wait("Statistics", lambda: driver.execute_script("return document.getElementById('message').open"))
    text = driver.find_element(By.ID, "message-text").text
    assert text.endswith(" particles"), text
    ActionChains(driver).send_keys(Keys.ESCAPE).perform()
    body.send_keys(Keys.ESCAPE)
    wait("Exit on Esc", lambda: driver.find_element(By.ID, "ended").is_displayed())
    print("keyboard: every control labelled and reached with Tab; F1, Shift+F10 and Esc work")


def check_offline(driver, page_server, url):
    driver.set_script_timeout(20)
    driver.execute_async_script("navigator.serviceWorker.ready.then(() => arguments[0]())")
    if not driver.execute_script("return navigator.serviceWorker.controller !== null"):
        driver.refresh()
        wait("the service worker to take the page", lambda: driver.execute_script(
            "return navigator.serviceWorker.controller !== null"))
    page_server.terminate()
    page_server.wait()
    driver.get(url + "#scene=vortex")
    driver.refresh() # the address differed only in its fragment: load the page itself again
    wait("the page to play offline", lambda: (state(driver) or {}).get("ticks", 0) > 5)
    print("offline: the page starts and plays with the server gone")


def console_errors(driver):
    return [entry for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]


@contextlib.contextmanager
def chromium_on_page():
    """Reads --page, --cli and --out, serves the page and opens it in headless Chromium once the player is
    there; yields the arguments, the driver, the server, the page's address and the downloads folder.
    Exits 77 when Chromium cannot be had."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--page", required=True, help="the built page's folder")
    parser.add_argument("--cli", required=True, help="the native mirrim-cli")
    parser.add_argument("--out", required=True, help="a folder for pictures and downloads")
    args = parser.parse_args()
    if not shutil.which("chromium") or not shutil.which("chromedriver"):
        print("skipped: chromium or chromedriver missing")
        sys.exit(SKIP)
    shutil.rmtree(args.out, ignore_errors=True)
    downloads = os.path.join(args.out, "downloads")
    os.makedirs(downloads)

    port = free_port()
    url = f"http://127.0.0.1:{port}/"
    with server(args.page, port) as page_server:
        try:
            driver = browser(downloads)
        except WebDriverException as error:
            print(f"skipped: Chromium does not start: {error.msg}")
            sys.exit(SKIP)
        try:
            driver.get(url)
            wait("the player", lambda: state(driver))
            yield args, driver, page_server, url, downloads
        finally:
            driver.quit()


def main():
    with chromium_on_page() as (args, driver, page_server, url, downloads):
        check_list(driver)
        press(driver, "stop")
        wait("the player to stop", lambda: not state(driver)["playing"])
        for number, scene in enumerate(shipped_scenes()):
            native = check_steps(driver, args.cli, args.out, scene, 15)
            if number == 0:
                check_snapshot(driver, downloads, native)
        for scene in shipped_scenes():
            check_pointer(driver, args.cli, args.out, scene)
        check_share(driver, args.cli, args.out, url)
        check_load(driver, args.cli, args.out)
        check_refusals(driver, args.cli, args.out)
        check_photo(driver, args.out)
        check_folder(driver, args.cli, args.out)
        check_keys(driver, downloads)
        check_recording(driver, downloads)
        if shutil.which("ffprobe"):
            check_gif(driver, downloads, args.cli, args.out)
        check_speed(driver)
        check_small_screens(driver, args.out)
        check_keyboard(driver)
        errors = console_errors(driver)
        check_offline(driver, page_server, url)
        errors += console_errors(driver)
        assert not errors, f"console errors: {errors}"
        print("console: no errors")
    return 0


if __name__ == "__main__":
    sys.exit(main())
