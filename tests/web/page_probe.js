// The browser tests' view into the page, loaded only by the page the tests serve (serve_page.py): the
// page's state as the tests read it, and the time of its tick. Everything a user does still goes
// through the page's controls.
import { started } from './page.js';
import { call, page, playing } from './player.js';
import { stopTimer } from './clock.js';
import { draw } from './picture.js';
import { openScene } from './scenes.js';
import { edits } from './editor.js';

// The folders loads, links and edits have left in the page's files.
function folders() {
  const fs = page.mirrim.FS;
  return ['/load', '/linked', '/edited'].filter((top) => fs.analyzePath(top).exists)
    .flatMap((top) => fs.readdir(top).filter((name) => name !== '.' && name !== '..').map((name) => `${top}/${name}`));
}

function state() {
  return { scene: page.sceneName, ticks: page.ticks, playing: playing(), particles: call.particle_count(),
    pointer: { ...page.pointer }, caption: page.caption, loaded: page.loaded, edits: edits.applied,
    folders: folders() };
}

// performance.now() over `ticks` ticks of the default scene holding about `particles` particles: its
// factory emits particles / 160 a tick, each lives 160 ticks; timed after that many ticks of warm-up.
function benchmark(particles, ticks) {
  stopTimer();
  const wasPlaying = playing();
  call.start();
  call.stop();
  const amount = Math.ceil(particles / 160);
  // A scene file holding one definition text (a byte of length, then the text).
  const definition = ['factory.ParticleFactoryUniform',
    `<CenterX>160</CenterX><CenterY>120</CenterY><Amount>${amount}</Amount>`, '.',
    'constraint.OmniForce', '<CenterX>160</CenterX><CenterY>120</CenterY>', '.',
    'constraint.RemoveAged', '', '.', 'constraint.RemoveOutOfBounds', '', '.', ''].join('\r\n');
  page.mirrim.FS.writeFile('/benchmark.zrk', Uint8Array.from([definition.length, ...new TextEncoder().encode(definition)]));
  call.load('/benchmark.zrk');
  for (let i = 0; i < 160; ++i) call.tick(0, 0, 0);
  let fewest = Infinity;
  let most = 0;
  const times = [];
  for (let i = 0; i < ticks; ++i) {
    const start = performance.now();
    call.tick(0, 0, 0);
    draw();
    times.push(performance.now() - start);
    const count = call.particle_count();
    fewest = Math.min(fewest, count);
    most = Math.max(most, count);
  }
  const msPerTick = times.reduce((a, b) => a + b, 0) / ticks;
  const median = times.sort((a, b) => a - b)[Math.floor(ticks / 2)];
  call.start(); // openScene keeps the player stopped or playing as it was
  if (!wasPlaying) call.stop();
  openScene(page.sceneName);
  return { msPerTick, median, fewest, most };
}

started.then(() => {
  window.mirrimPage = { state, benchmark };
});
