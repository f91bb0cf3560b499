#!/usr/bin/python3
"""The page's editor in headless Chromium, typed into with the keyboard, against the native player.

  - Ctrl+E opens the pane with the scene's text; a change typed into it acts on the scene between two
    steps without starting it over (the tick count and the particles go on) and the picture changes;
  - Download gives exactly the text, and Restart plays it from tick 0 with the pixels of
    `mirrim-cli render` of the downloaded file;
  - a broken line is marked at its line with the findings `mirrim-cli check` gives for that text, and the
    scene plays on with the last text that had no error; Esc there does not end the page;
  - a paste that would make the text longer than a definition file may be is not taken;
  - Ctrl+E closes the pane and gives the window back as it was.
Screenshots of the pane are kept in --out. Exits 77 (skipped) when Chromium, its driver or Selenium is
missing.
"""
import os
import subprocess
import sys

sys.dont_write_bytecode = True # no __pycache__ beside the sources when e2e_page is imported
from e2e_page import (By, Keys, ActionChains, canvas_picture, choose_scene, chromium_on_page, console_errors,
                      downloaded, native_picture, press, same_pixels, state, wait)


def ctrl(driver, key):
    ActionChains(driver).key_down(Keys.CONTROL).send_keys(key).key_up(Keys.CONTROL).perform()


def steps(driver, count):
    step = driver.find_element(By.ID, "step")
    for _ in range(count):
        step.click()


def edit_state(driver):
    return driver.find_element(By.ID, "edit-state").text


def check_editor(driver, cli, out, downloads):
    press(driver, "stop")
    wait("the player to stop", lambda: not state(driver)["playing"])
    choose_scene(driver, "default")
    steps(driver, 10)
    window_width = driver.execute_script("return document.getElementById('window').style.width")
    ctrl(driver, "e")
    text = driver.find_element(By.ID, "definition")
    wait("the editor", lambda: text.is_displayed() and driver.switch_to.active_element == text)
    original = text.get_attribute("value")
    assert original.startswith("factory.ParticleFactoryUniform\n<Group>0</Group>\n<CenterX>160."), original

    # The factory moves to x = 60: the caret to line 3, past "<CenterX>", and the 1 deleted.
    before = state(driver)
    text.send_keys(Keys.CONTROL, Keys.HOME)
    text.send_keys(Keys.DOWN, Keys.DOWN, Keys.HOME, *([Keys.RIGHT] * len("<CenterX>")), Keys.DELETE)
    wait("the edit to act", lambda: state(driver)["edits"] == 1)
    now = state(driver)
    assert now["ticks"] == 10 and now["particles"] == before["particles"], (before, now)
    assert edit_state(driver).startswith("Applied at tick 10"), edit_state(driver)
    steps(driver, 1)
    unedited = native_picture(cli, out, None, 11)
    assert canvas_picture(driver).tobytes() != unedited.tobytes(), "the edit did not change the picture"
    print(f"edit: acted at tick 10 with the {now['particles']} particles kept; the next step's picture changed")

    edited = text.get_attribute("value")
    assert edited == original.replace("<CenterX>160", "<CenterX>60", 1)
    press(driver, "download-vq")
    with open(downloaded(downloads, ".vq"), encoding="utf-8", newline="") as f:
        assert f.read() == edited, "Download did not give the text"
    saved = os.path.join(out, "edited.vq")
    with open(saved, "w", encoding="utf-8", newline="") as f:
        f.write(edited)
    press(driver, "restart")
    wait("the restart", lambda: state(driver)["ticks"] == 0)
    steps(driver, 15)
    same_pixels("the edited text restarted, 15 steps", canvas_picture(driver), native_picture(cli, out, saved, 15))

    # A misspelt class at the end: marked at its line, as check says it; the scene plays on as it was.
    broken_line = edited.count("\n") + 1
    text.send_keys(Keys.CONTROL, Keys.END)
    text.send_keys("constraint.OmniFroce\n<Strength>2</Strength>\n.\n", Keys.ESCAPE)
    wait("the findings", lambda: edit_state(driver).startswith("Not applied"))
    assert driver.find_element(By.ID, "ended").is_displayed() is False, "Esc in the text ended the page"
    marked = driver.execute_script(
        "return [...document.querySelectorAll('#editor-lines .error')].map((row) => row.textContent)")
    assert marked == [str(broken_line)], marked
    shown = [item.text for item in driver.find_elements(By.CSS_SELECTOR, "#findings li")]
    with open(os.path.join(out, "default.vq"), "w", encoding="utf-8", newline="") as f:
        f.write(text.get_attribute("value"))
    checked = subprocess.run([cli, "check", "default.vq"], cwd=out, capture_output=True, text=True).stdout
    assert shown == checked.splitlines(), (shown, checked)
    driver.save_screenshot(os.path.join(out, "editor.png"))
    steps(driver, 1)
    same_pixels("with a broken line, the last good text played on", canvas_picture(driver),
                native_picture(cli, out, saved, 16))
    print(f"findings: line {broken_line} marked, as mirrim-cli check lists it; the scene played on")

    taken = driver.execute_script("""
        const text = document.getElementById('definition');
        const paste = new DataTransfer();
        paste.setData('text/plain', 'x'.repeat((16 << 20) + 1));
        const event = new InputEvent('beforeinput', { inputType: 'insertFromPaste', dataTransfer: paste,
                                                      cancelable: true, bubbles: true });
        return text.dispatchEvent(event);""")
    assert not taken and edit_state(driver).startswith("Not taken"), edit_state(driver)
    print("paste: a text beyond a definition file's size is not taken")

    ctrl(driver, "e")
    wait("the editor to close", lambda: not text.is_displayed())
    width = driver.execute_script("return document.getElementById('window').style.width")
    assert width == window_width, (width, window_width)
    print("close: Ctrl+E closes the pane and the window is as wide as before")


def main():
    with chromium_on_page() as (args, driver, _, _, downloads):
        check_editor(driver, os.path.abspath(args.cli), os.path.abspath(args.out), downloads)
        errors = console_errors(driver)
        assert not errors, f"console errors: {errors}"
    return 0


if __name__ == "__main__":
    sys.exit(main())
