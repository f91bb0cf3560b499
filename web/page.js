// The Mirrim page: the window's controls, keys, pointer and clock around the player in mirrim.wasm.
//
// As in the window, a 50 ms timer is the only clock, runs only while playing and is re-armed after each
// tick's work; every command stops it first and re-arms it only if the player still plays, so nothing
// ticks while a dialog of a command is open. The picture is the player's frame, composed in the module
// after every tick, shown enlarged by a whole factor without smoothing.
'use strict';

(() => {
  const TICK_MS = 50;
  const MAX_SCENE_BYTES = 64 << 20; // as the player reads them
  const MAX_DEFINITION_BYTES = 16 << 20; // as the player reads definition files
  // Browsers write a WebM file of fewer frames that players will not open.
  const MIN_VIDEO_FRAMES = 3;
  const GIF = 'image/gif'; // the compressor choice that records a GIF
  const REFUSED = 4; // what mirrim_load gives for a file it does not take
  const LINKED = 'linked scene'; // the name a scene from an address is read under
  const $ = (id) => document.getElementById(id);
  const canvas = $('picture');
  const context = canvas.getContext('2d');

  let mirrim = null; // the module
  let timer = null;
  let failed = false; // the module has stopped for good
  const pointer = { down: false, x: 0, y: 0 };
  let caption = 'Mirrim';
  let sceneName = 'default'; // the shipped scene last opened
  let stem = 'default'; // what downloads are named after: that scene, or the scene file loaded since
  // The file the player reads when the scene starts afresh (null: the player's own scene), and the
  // folder it is read from; a seed, or null for the usual sequence.
  let current = { path: null, folder: '/' };
  let seed = null;
  let ticks = 0; // ticks and steps since the scene opened
  let loads = 0; // Load commands begun
  let loaded = 0; // and files read by the player
  let menuReturn = null; // where focus goes back to when the menu closes
  let zoom = 0; // the factor chosen with the zoom keys; 0: the largest that fits
  let largest = 1; // the largest factor that fits the browser window
  const video = { recorder: null, track: null, frames: 0, mimeType: '', kbps: 0 };

  // ---- the module ----------------------------------------------------------------------------------

  const call = {};
  function bind(module) {
    mirrim = module;
    for (const name of ['start', 'tick', 'step', 'clear', 'compose', 'stop', 'toggle_play', 'playing', 'start_recording',
      'particle_count', 'frame_width', 'frame_height', 'frame', 'texture']) {
      call[name] = mirrim['_mirrim_' + name];
    }
    call.load = mirrim.cwrap('mirrim_load', 'number', ['string']);
    call.messages = mirrim.cwrap('mirrim_messages', 'string', []);
    call.version = mirrim.cwrap('mirrim_version', 'string', []);
    call.storePicture = mirrim.cwrap('mirrim_store_picture', 'number', ['string', 'number', 'number', 'number']);
    call.toggleParticles = mirrim._mirrim_toggle_draw_particles;
    call.definition = mirrim.cwrap('mirrim_definition', 'string', ['string']);
    call.edit = mirrim.cwrap('mirrim_edit', 'number', ['string', 'number', 'number']);
    call.findings = mirrim.cwrap('mirrim_findings', 'string', []);
    call.seed = mirrim._mirrim_seed;
  }

  const playing = () => call.playing() !== 0;

  // ---- the picture ---------------------------------------------------------------------------------

  // The largest whole factor at which the picture and the controls under it fit the viewport, or the
  // zoom chosen below that; a screen with room for less than twice the picture (a phone) gets the
  // picture as wide as it fits. The window is as wide as its picture, as in the desktop program.
  function fit() {
    const width = canvas.width || 320;
    const height = canvas.height || 240;
    // The viewport without scroll bars (a phone's window grows to whatever overflows it).
    const { clientWidth: viewWidth, clientHeight: viewHeight } = document.documentElement;
    const margin = viewWidth < 480 ? 4 : 12; // as in mirrim.css
    // The editor, when open, stands beside the picture where there is room (below it on a phone).
    const editor = $('editor');
    const beside = editor.hidden || viewWidth < 480 ? 0 : editor.offsetWidth + margin;
    // Per factor: the picture, its frame, the button row and the gaps; besides: caption, list, help.
    const room = Math.min((viewWidth - 2 * margin - 8 - beside) / (width + 14), (viewHeight - 130) / (height + 45));
    largest = room >= (beside ? 1 : 2) ? Math.floor(room) : Math.max(0.25, room);
    const s = zoom > 0 ? Math.min(zoom, largest) : largest;
    document.documentElement.style.setProperty('--s', String(s));
    // Buttons keep at least 24 CSS pixels to touch.
    document.documentElement.style.setProperty('--b', String(Math.max(s, 1.3)));
    canvas.style.width = width * s + 'px';
    canvas.style.height = height * s + 'px';
    $('window').style.width = width * s + 8 + 'px';
    editor.style.height = beside ? `${$('window').offsetHeight}px` : '';
    paintLines();
  }

  // Ctrl+plus and Ctrl+minus, from the factor shown, between 1 and the largest that fits (which then
  // follows the browser window again).
  function zoomBy(step) {
    const shown = Number(document.documentElement.style.getPropertyValue('--s')) || 1;
    const next = Math.round(shown) + step;
    zoom = next >= largest ? 0 : Math.max(1, next);
    fit();
  }

  function draw() {
    const width = call.frame_width();
    const height = call.frame_height();
    if (width === 0 || height === 0) {
      context.clearRect(0, 0, canvas.width, canvas.height);
      return;
    }
    if (canvas.width !== width || canvas.height !== height) {
      canvas.width = width;
      canvas.height = height;
      fit();
    }
    const pixels = call.frame();
    const bytes = new Uint8ClampedArray(mirrim.HEAPU8.buffer, pixels, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), 0, 0);
  }

  // The window's grey texture, from the player, behind everything.
  function paintTexture() {
    const texture = document.createElement('canvas');
    texture.width = texture.height = 128;
    const bytes = new Uint8ClampedArray(mirrim.HEAPU8.buffer, call.texture(), 128 * 128 * 4);
    texture.getContext('2d').putImageData(new ImageData(bytes.slice(), 128, 128), 0, 0);
    document.documentElement.style.background = `url(${texture.toDataURL()})`;
  }

  function setCaption(text) {
    caption = text;
    $('caption').textContent = text;
    document.title = text;
  }

  // ---- the clock -----------------------------------------------------------------------------------

  function stopTimer() {
    clearTimeout(timer);
    timer = null;
  }

  // With ?steady in the address a tick starts 50 ms after the previous one started (at once when that one
  // took longer), as the window's Steady 20 Ticks a Second; otherwise 50 ms after it ended.
  const steady = new URLSearchParams(location.search).has('steady');

  function armTimer(spent = 0) {
    stopTimer();
    if (!failed) timer = setTimeout(tick, steady ? Math.max(0, TICK_MS - spent) : TICK_MS);
  }

  function rearmIfPlaying() {
    if (playing()) armTimer();
  }

  function tick() {
    const started = performance.now();
    timer = null;
    call.tick(pointer.down ? 1 : 0, pointer.x, pointer.y);
    ticks += 1;
    draw();
    const status = recordFrame();
    if (status) setCaption('Dozozudori: ' + status);
    armTimer(performance.now() - started);
  }

  // ---- controls ------------------------------------------------------------------------------------

  function updateControls() {
    const isPlaying = playing();
    const isRecording = video.recorder !== null;
    const focused = document.activeElement;
    swap('record', 'recording', isRecording);
    $('stop').disabled = !isPlaying;
    $('step').disabled = isPlaying;
    swap('play', 'playing', isPlaying);
    $('menu').querySelector('[data-command=compressor]').disabled = isRecording;
    // A control that loses its focus by being disabled hands it on to the next one, as in the window.
    if (focused && focused.disabled) {
      const controls = [...$('controls').querySelectorAll('button')];
      const next = controls.slice(controls.indexOf(focused) + 1).concat(controls)
        .find((c) => !c.disabled && !c.hidden);
      if (next) next.focus();
    }
  }

  // Shows one of a pair that shares a place; focus follows to the one shown.
  function swap(first, second, showSecond) {
    const shown = $(showSecond ? second : first);
    const hidden = $(showSecond ? first : second);
    const hadFocus = document.activeElement === hidden;
    hidden.hidden = true;
    shown.hidden = false;
    if (hadFocus) shown.focus();
  }

  // Runs a command as the window does: timer stopped first, re-armed afterwards only while playing.
  function command(action) {
    return (...args) => {
      stopTimer();
      const result = action(...args);
      updateControls();
      if (result && typeof result.then === 'function') {
        return result.finally(() => { updateControls(); rearmIfPlaying(); });
      }
      rearmIfPlaying();
      return result;
    };
  }

  const onClear = command(() => { call.clear(); draw(); });
  const onPlay = command(() => { call.toggle_play(); });
  const onStop = command(() => { call.stop(); setCaption('Dozozudori'); draw(); });
  const onStep = command(() => { call.step(); ticks += 1; draw(); recordFrame(); });
  const onRecord = command(() => {
    if (!video.recorder) return startRecording();
    const refused = stopRecording();
    return refused ? message(refused) : undefined;
  });
  const onSnapshot = command(() => snapshot());
  const onLoad = command(() => chooseFiles('files'));
  const onLoadFolder = command(() => chooseFiles('folder'));
  const onFiles = command((files) => loadFiles(files));
  const onQuickParts = command(() => call.toggleParticles());
  const onStatistics = command(() => message(`${call.particle_count()} particles`));
  const onAbout = command(() => modal($('about')));
  const onShare = command(() => share());
  const onSeed = command(() => changeSeed());
  const onRestart = command(() => {
    flushEdit();
    startAfresh(playing());
    call.messages(); // the editor shows what the checker finds
  });

  function download(blob, name) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 60000);
  }

  // The picture as it stands, at its own size, as a PNG file.
  function snapshot() {
    if (call.frame_width() === 0) return message('There is no picture to take: the scene\'s picture cannot be shown.');
    return new Promise((resolve) => canvas.toBlob((blob) => {
      if (blob) download(blob, `mirrim-${stem}.png`);
      resolve();
    }, 'image/png'));
  }

  // Resolves when the dialog closes, with its return value.
  function modal(dialog) {
    return new Promise((resolve) => {
      dialog.addEventListener('close', () => resolve(dialog.returnValue), { once: true });
      dialog.returnValue = '';
      dialog.showModal();
    });
  }

  function message(text) {
    $('message-text').textContent = text;
    return modal($('message'));
  }

  // What the player said while it read a file, if anything, with the files named as the user knows
  // them: without the folder they were put in here.
  function playerSaid(folder) {
    const text = call.messages().trim();
    return folder ? text.split(`${folder}/`).join('') : text;
  }

  // ---- recording -----------------------------------------------------------------------------------

  function videoTypes() {
    if (!window.MediaRecorder) return [];
    return ['video/webm;codecs=vp9', 'video/webm;codecs=vp8', 'video/webm']
      .filter((type) => MediaRecorder.isTypeSupported(type));
  }

  function startRecording() {
    if (call.frame_width() === 0) return message('There is no picture to record: the scene\'s picture cannot be shown.');
    if (video.mimeType === GIF) {
      // Made here from the player's frames, once the clip is over.
      video.recorder = { gif: new MirrimGif.Recording(call.frame_width(), call.frame_height(), TICK_MS) };
      video.frames = 0;
      call.start_recording();
      return undefined;
    }
    const types = videoTypes();
    if (!canvas.captureStream || types.length === 0) {
      return message('This browser cannot record the canvas as a WebM video.');
    }
    const stream = canvas.captureStream(0); // a frame exactly when a tick asks for one
    const options = { mimeType: types.includes(video.mimeType) ? video.mimeType : types[0] };
    if (video.kbps > 0) options.videoBitsPerSecond = video.kbps * 1000;
    let recorder;
    try {
      recorder = new MediaRecorder(stream, options);
    } catch (error) {
      return message(`The video cannot be recorded: ${error.message}`);
    }
    const chunks = [];
    const name = `mirrim-${stem}.webm`;
    recorder.ondataavailable = (event) => { if (event.data.size > 0) chunks.push(event.data); };
    recorder.onstop = () => download(new Blob(chunks, { type: 'video/webm' }), name);
    call.start_recording();
    recorder.start();
    video.recorder = recorder;
    video.track = stream.getVideoTracks()[0];
    video.frames = 0;
    return undefined;
  }

  // Finishes the recording; a video too short for players to open is not saved, and the reason returned.
  function stopRecording() {
    const recorder = video.recorder;
    video.recorder = null;
    video.track = null;
    if (!recorder) return '';
    if (recorder.gif) return finishGif(recorder.gif);
    const tooShort = video.frames < MIN_VIDEO_FRAMES;
    if (tooShort) recorder.onstop = null;
    if (recorder.state !== 'inactive') recorder.stop();
    return tooShort ? `A WebM video needs at least ${MIN_VIDEO_FRAMES} frames and this recording has ${video.frames}, `
      + 'so nothing was saved. Record while the scene plays or steps a little longer.' : '';
  }

  // While recording, the picture just drawn becomes the next frame; returns the status text for it.
  function recordFrame() {
    if (!video.recorder) return '';
    const { gif } = video.recorder;
    if (!gif) {
      video.track.requestFrame();
    } else if (call.frame_width() !== gif.width || call.frame_height() !== gif.height) {
      return `Rendering - Frame ${video.frames}`; // a GIF keeps the size it started with
    } else {
      gif.add(new Uint8Array(mirrim.HEAPU8.buffer, call.frame(), gif.width * gif.height * 4));
      if (gif.full) {
        message(stopRecording() || `The GIF holds as many frames as the page keeps (${video.frames + 1}); it was saved.`);
        updateControls();
      }
    }
    video.frames += 1;
    return `Rendering - Frame ${video.frames}`;
  }

  function finishGif(gif) {
    if (gif.frames.length === 0) return 'Nothing was recorded, so no GIF was saved.';
    const name = `mirrim-${stem}.gif`;
    busy('Writing the GIF...').then(() => {
      download(gif.finish(), name);
      busy('');
    });
    return '';
  }

  // The animation goes on while the compressor is chosen, as in the window.
  async function chooseCompressor() {
    if (video.recorder) return;
    const select = $('codec');
    select.replaceChildren(...videoTypes().map((type) => new Option(type.replace('video/', ''), type)),
      new Option('animated GIF (one palette)', GIF));
    select.value = video.mimeType || select.options[0].value;
    $('rate').value = String(video.kbps);
    if (await modal($('compressor')) === 'ok') {
      video.mimeType = select.value;
      video.kbps = Math.max(0, Math.floor(Number($('rate').value) || 0));
    }
  }

  // ---- scenes and files ----------------------------------------------------------------------------

  function shippedScenes() {
    const names = mirrim.FS.readdir('/scenes').filter((f) => f.endsWith('.zrk')).map((f) => f.slice(0, -4));
    return ['default', ...names.sort()];
  }

  // Starts the current scene afresh, as a new window would play it (a stopped player stays stopped):
  // the random sequence from its start, the scene read, then the seed, as mirrim-cli render does.
  // Whether the file was refused.
  function startAfresh(wasPlaying) {
    call.start();
    ticks = 0;
    if (!wasPlaying) call.stop();
    mirrim.FS.chdir(current.folder);
    const refused = current.path !== null && call.load(current.path) === REFUSED;
    call.seed(seed === null ? -1 : seed);
    paintTexture();
    setCaption('Mirrim');
    draw();
    updateControls();
    return refused;
  }

  function setSeed(value) {
    seed = value;
    $('seed').value = seed === null ? '' : String(seed);
  }

  // After what opens a scene has spoken, if anything: no tick while a message is up.
  function opened(note) {
    editorSceneChanged();
    if (note) message(note).then(rearmIfPlaying);
    else rearmIfPlaying();
  }

  // Starts the named shipped scene afresh, from the seed given.
  function openScene(name, seedToUse = seed, why = '') {
    stopTimer();
    const wasPlaying = mirrim === null || playing();
    const known = shippedScenes().includes(name);
    sceneName = known ? name : 'default';
    stem = sceneName;
    current = { path: sceneName === 'default' ? null : `/scenes/${sceneName}.zrk`, folder: '/' };
    setSeed(seedToUse);
    startAfresh(wasPlaying);
    $('scenes').value = sceneName;
    opened(why || (known ? playerSaid() : `There is no shipped scene called "${name}"; playing the default scene.`));
  }

  // The address names a shipped scene (#scene=NAME) or carries one (#def=...), and perhaps a seed.
  function openAddress() {
    let found;
    try {
      found = MirrimShare.parse(location.hash);
    } catch (error) {
      return openScene('default', null, `This address cannot be opened: ${error.message}. Playing the default scene.`);
    }
    if (found.def !== null) return openLinked(found);
    return openScene(found.scene === null ? 'default' : found.scene, found.seed);
  }

  // The address with the seed as it now is; nothing reopens.
  function addressSeed() {
    const parts = location.hash.replace(/^#/, '').split('&').filter((p) => p && !p.startsWith('seed='));
    if (seed !== null) parts.splice(Math.min(1, parts.length), 0, `seed=${seed}`);
    history.replaceState(null, '', parts.length ? `#${parts.join('&')}` : location.pathname);
  }

  // A new seed starts the current scene afresh from it.
  function changeSeed() {
    const value = MirrimShare.seedOf($('seed').value);
    if (value === undefined) {
      setSeed(seed);
      return message(`A seed is a whole number from 0 to ${MirrimShare.MAX_SEED}, or nothing for the usual sequence.`);
    }
    if (value === seed) return undefined;
    setSeed(value);
    addressSeed();
    startAfresh(playing());
    call.messages(); // said when the scene was first read
    return undefined;
  }

  // Opens the scene an address carries, with its pictures, in a folder of its own where the shipped
  // pictures lie too; a link that cannot be read plays the default scene and says why.
  async function openLinked(found) {
    stopTimer();
    const wasPlaying = playing();
    const folder = `/linked/${++loads}`;
    try {
      await busy('Reading the scene in the address...');
      const { scene, pictures } = await MirrimShare.open(found);
      mirrim.FS.mkdirTree(folder);
      linkShippedPictures(folder);
      for (const { name, bytes } of pictures) {
        const kind = MirrimPictures.kind(bytes);
        const refused = kind === null ? 'it is no picture' : MirrimPictures.refusal(bytes);
        if (refused) throw new Error(`the picture "${name}" in it cannot be read: ${refused}`);
        const path = `${folder}/${name}`;
        mirrim.FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
        if (mirrim.FS.analyzePath(path).exists) mirrim.FS.unlink(path);
        if (kind === 'gif' || kind === 'bmp') mirrim.FS.writeFile(path, bytes);
        else await storeDecoded(new Blob([bytes]), path);
      }
      mirrim.FS.writeFile(`${folder}/${LINKED}`, scene);
    } catch (error) {
      await busy('');
      return openScene('default', null, `The scene in this address cannot be opened: ${error.message}. Playing the default scene.`);
    }
    await busy('');
    sceneName = 'link';
    stem = 'link';
    current = { path: `${folder}/${LINKED}`, folder };
    setSeed(found.seed);
    if (startAfresh(wasPlaying)) {
      const why = playerSaid(folder).replace(/ The scene goes on as it was\.$/, '');
      return openScene('default', null, `The address holds no scene the page can play: ${why} Playing the default scene.`);
    }
    $('scenes').value = '';
    return opened(playerSaid(folder));
  }

  function linkShippedPictures(folder) {
    for (const name of mirrim.FS.readdir('/scenes')) {
      if (!name.startsWith('.') && !/\.(zrk|vq)$/i.test(name)) mirrim.FS.symlink(`/scenes/${name}`, `${folder}/${name}`);
    }
  }

  // The pictures in a scene's folder that a link must carry: not the shipped ones. Each says whether
  // the scene has read it yet. A file the scene read that is no picture (an included definition) cannot
  // travel: then {problem}.
  function picturesBeside(folder, scenePath) {
    const read = mirrim.FS.readFiles || {};
    const found = [];
    const walk = (dir) => {
      for (const name of mirrim.FS.readdir(dir)) {
        if (name === '.' || name === '..') continue;
        const path = `${dir}/${name}`;
        const mode = mirrim.FS.lstat(path).mode;
        if (mirrim.FS.isDir(mode)) walk(path);
        if (!mirrim.FS.isFile(mode) || path === scenePath) continue;
        const bytes = mirrim.FS.readFile(path);
        const relative = path.slice(folder.length + 1);
        if (MirrimPictures.kind(bytes) === null) {
          if (read[path]) throw new Error(`it reads "${relative}", which is no picture, and a link carries only a scene and its pictures`);
          continue;
        }
        const twin = `/scenes/${name}`;
        if (mirrim.FS.analyzePath(twin).exists && sameBytes(mirrim.FS.readFile(twin), bytes)) continue;
        found.push({ name: relative, bytes, read: Boolean(read[path]) });
      }
    };
    walk(folder);
    return found;
  }

  const sameBytes = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);

  // Share: the address becomes a link that plays the current scene, with its seed and the pictures
  // it needs beyond the shipped ones, or the page says why it cannot.
  async function share() {
    const withSeed = seed === null ? '' : `&seed=${seed}`;
    let hash = `#scene=default${withSeed}`;
    if (current.path) {
      const folder = current.path.slice(0, current.path.lastIndexOf('/')) || '/';
      let pictures;
      try {
        pictures = folder === '/scenes' ? [] : picturesBeside(folder, current.path);
      } catch (error) {
        return message(`This scene cannot be shared: ${error.message}.`);
      }
      const head = `#def=${await MirrimShare.pack(mirrim.FS.readFile(current.path))}${withSeed}`;
      const packed = [];
      for (const p of pictures) {
        packed.push({ ...p, text: `&pic=${encodeURIComponent(p.name)}:${await MirrimShare.pack(p.bytes)}` });
      }
      const base = location.href.split('#')[0].length;
      const length = (list) => base + head.length + list.reduce((n, p) => n + p.text.length, 0);
      // Everything chosen with the scene if it fits, else what it has read.
      let carried = packed;
      if (length(carried) > MirrimShare.MAX_LINK) carried = packed.filter((p) => p.read);
      if (length(carried) > MirrimShare.MAX_LINK) {
        const names = carried.map((p) => `"${p.name}" (${p.text.length} characters)`).join(', ');
        return message(`This scene cannot be shared: its link would be ${length(carried)} characters, more than `
          + `${MirrimShare.MAX_LINK}. ${names ? `The pictures it carries take part of that: ${names}. ` : ''}`
          + 'A link carries the shipped pictures for nothing, and others only when they are small.');
      }
      hash = head + carried.map((p) => p.text).join('');
    }
    history.replaceState(null, '', hash);
    if (navigator.clipboard) navigator.clipboard.writeText(location.href).catch(() => {});
    $('status').textContent = `The address now plays this scene (${location.href.length} characters): share it.`;
    return undefined;
  }

  // Resolves once the choice is made and read, or cancelled. Browsers that tell nothing of a cancelled
  // choice only give the focus back to the page: then it resolves after a while, and files chosen after
  // all are still loaded, as a command of their own.
  function chooseFiles(id) {
    return new Promise((resolve) => {
      const input = $(id);
      input.value = '';
      let settled = false;
      const done = () => {
        settled = true;
        resolve();
      };
      input.onchange = () => {
        const files = MirrimFolders.fromInput(input.files);
        if (settled) onFiles(files);
        else loadFiles(files).then(done, done);
      };
      input.oncancel = done;
      window.addEventListener('focus', () => setTimeout(() => { if (input.files.length === 0) done(); }, 1000),
        { once: true });
      input.click();
    });
  }

  // Work the user waits for: said under the picture, and the pointer shows it.
  function busy(text) {
    $('status').textContent = text;
    $('window').setAttribute('aria-busy', String(text !== ''));
    document.body.classList.toggle('busy', text !== '');
    // Let the browser show it before the work holds the thread.
    return new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
  }

  // JPEG and PNG through the browser's decoders, handed over as pixels.
  async function storeDecoded(file, path) {
    const { width, height, rgba } = await MirrimPictures.decode(file);
    const at = mirrim._malloc(rgba.length);
    if (!at) throw new Error('not enough memory');
    try {
      mirrim.HEAPU8.set(rgba, at);
      if (!call.storePicture(path, at, width, height)) throw new Error('too big a picture');
    } finally {
      mirrim._free(at);
    }
  }

  // Which of several files that are not pictures to load: a single .zrk or .vq among them, else the
  // user says.
  async function whichScene(names) {
    const named = names.filter((name) => /\.(zrk|vq)$/i.test(name));
    if (names.length === 1) return names[0];
    if (named.length === 1) return named[0];
    const select = $('choice');
    select.replaceChildren(...[...named, ...names.filter((n) => !named.includes(n))].map((n) => new Option(n, n)));
    return await modal($('choose')) === 'ok' ? select.value : null;
  }

  // Puts one chosen file at path in the module's files; returns the problem with it, if any, and
  // whether it may be the scene (it is no picture).
  async function storeFile({ file, path: relative }, path, at, budget) {
    // A folder may hold videos and the like: what cannot be a scene is not read whole.
    const head = () => file.slice(0, 8).arrayBuffer().then((b) => new Uint8Array(b));
    if (file.size > MAX_SCENE_BYTES && MirrimPictures.kind(await head()) === null) {
      return { candidate: false, problem: `"${relative}" was skipped: it is neither a picture nor a scene.` };
    }
    const bytes = new Uint8Array(await file.arrayBuffer());
    const kind = MirrimPictures.kind(bytes);
    if (kind === null) {
      mirrim.FS.writeFile(path, bytes);
      return { candidate: true };
    }
    const refused = MirrimPictures.refusal(bytes);
    if (refused) return { candidate: false, problem: `The picture "${relative}" was not read: ${refused}.` };
    if (kind === 'gif' || kind === 'bmp') {
      mirrim.FS.writeFile(path, bytes);
      return { candidate: false };
    }
    // A folder of photos must not take all the memory there is: the pictures read at once share the
    // budget of one picture.
    const size = MirrimPictures.declaredSize(bytes);
    budget.pixels -= size ? size.width * size.height : 0;
    if (budget.pixels < 0) {
      const problem = `The picture "${relative}" was not read: the pictures chosen together hold too many pixels.`;
      return { candidate: false, problem };
    }
    await busy(`Reading ${relative}${size ? ` (${size.width} x ${size.height})` : ''}, ${at}...`);
    try {
      await storeDecoded(file, path);
    } catch (error) {
      return { candidate: false, problem: `The picture "${relative}" cannot be read: ${error.message}.` };
    }
    return { candidate: false };
  }

  // The Load command with files chosen or dropped (each with its path in what was chosen): one scene or
  // definition file, and the pictures it names, laid out as chosen (a folder keeps its tree) in a folder
  // of their own that becomes the current one, so names relative to the scene find them.
  async function loadFiles(chosen) {
    const folder = `/load/${++loads}`;
    const problems = [];
    const others = [];
    let files = [];
    const budget = { pixels: MirrimPictures.MAX_PIXELS };
    try {
      files = await chosen;
      for (const [index, entry] of files.entries()) {
        const path = `${folder}/${entry.path}`;
        mirrim.FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
        const stored = await storeFile(entry, path, `file ${index + 1} of ${files.length}`, budget);
        if (stored.problem) problems.push(stored.problem);
        if (stored.candidate) others.push(entry.path);
      }
    } catch (error) {
      problems.push(`The files cannot be read: ${error.message}.`);
    } finally {
      await busy('');
    }
    if (files.length === 0 && problems.length === 0) return;
    const scene = others.length > 0 ? await whichScene(others) : null;
    if (others.length === 0) {
      problems.push('Choose a scene file (.zrk) or a definition file, together with the pictures it names.');
    } else if (scene !== null) {
      mirrim.FS.chdir(folder);
      const refused = call.load(scene) === REFUSED;
      loaded += 1;
      if (!refused) {
        stem = scene.replace(/^.*\//, '').replace(/\.[^.]*$/, '') || 'scene';
        current = { path: `${folder}/${scene}`, folder };
        // As in the window, a load starts the sequence from the seed set, or the scene's own.
        if (call.seed(seed === null ? -1 : seed)) paintTexture();
        editorSceneChanged();
      }
      call.compose();
      draw();
      const said = playerSaid(folder);
      if (said) problems.unshift(said);
    }
    if (problems.length > 0) await message(problems.join('\n'));
  }

  // ---- the editor ----------------------------------------------------------------------------------

  // The scene's definition text beside the picture. What is typed acts after a short pause without
  // starting the scene over, unless the checker finds an error in it: then the scene plays on as it was
  // and the findings are marked at their lines. The scene's file (for a shipped scene or the player's
  // own, a copy) then holds the edited scene, so that Restart, a new seed and Share play what was edited.
  const LINE = 16; // the pixels a line of the text takes, as in mirrim.css
  const definition = $('definition');
  // The pending check, where the edits are kept, edits applied, the text's lines and the marks on them.
  const edits = { timer: null, target: null, folders: 0, applied: 0, lines: 1, marks: new Map(), stale: true };

  const editorOpen = () => !$('editor').hidden;

  function toggleEditor() {
    const editor = $('editor');
    if (editorOpen()) {
      flushEdit();
      const hadFocus = editor.contains(document.activeElement);
      editor.hidden = true;
      fit();
      if (hadFocus) $('more').focus();
      return;
    }
    editor.hidden = false;
    if (edits.stale) reloadEditor();
    fit();
    definition.focus();
  }

  // Another scene was opened: its text replaces what was typed for the last one.
  function editorSceneChanged() {
    clearTimeout(edits.timer);
    edits.timer = null;
    edits.target = null;
    edits.stale = true;
    if (editorOpen()) reloadEditor();
  }

  function reloadEditor() {
    edits.stale = false;
    const text = call.definition(current.path || '').replace(/\r\n?/g, '\n');
    // A scene file may hold more text than a definition can be; such text the editor does not take.
    const taken = text.length <= MAX_DEFINITION_BYTES;
    definition.value = taken ? text : '';
    definition.scrollTop = 0;
    edits.lines = countLines(definition.value);
    showFindings('', taken ? '' : `This scene's definition is ${text.length} characters long, more than the `
      + `${MAX_DEFINITION_BYTES} bytes a definition file may hold: it cannot be edited here.`);
  }

  function countLines(text) {
    let lines = 1;
    for (let at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1)) lines += 1;
    return lines;
  }

  // Where the edited scene is kept: the file played, or, for a shipped scene and the player's own, a
  // copy in a folder of its own beside the shipped pictures (the shipped files stay as they are).
  function editTarget() {
    if (current.path !== null && !current.path.startsWith('/scenes/')) return current;
    if (!edits.target) {
      const folder = `/edited/${++edits.folders}`;
      mirrim.FS.mkdirTree(folder);
      linkShippedPictures(folder);
      const name = current.path ? current.path.slice('/scenes/'.length) : `${stem}.vq`;
      if (current.path) mirrim.FS.writeFile(`${folder}/${name}`, mirrim.FS.readFile(current.path));
      edits.target = { path: `${folder}/${name}`, folder };
    }
    return edits.target;
  }

  function applyEdit() {
    clearTimeout(edits.timer);
    edits.timer = null;
    if (failed) return;
    const target = editTarget();
    const bytes = new TextEncoder().encode(definition.value);
    const at = mirrim._malloc(Math.max(1, bytes.length));
    if (!at) {
      showFindings('', 'Not applied: there is not enough memory for the text. The scene plays on as it was.');
      return;
    }
    let applied;
    try {
      mirrim.HEAPU8.set(bytes, at);
      applied = call.edit(target.path, at, bytes.length) !== 0;
    } finally {
      mirrim._free(at);
    }
    const said = call.findings().split(`${target.folder}/`).join('');
    call.messages(); // what the constraints said as they were made: the findings say it better
    if (applied) {
      edits.applied += 1;
      current = target;
      call.compose();
      draw();
    }
    showFindings(said, applied ? `Applied at tick ${ticks}; the scene plays on with it.`
      : 'Not applied: the scene plays on as it was.', target.path.slice(target.folder.length + 1));
  }

  function flushEdit() {
    if (edits.timer !== null) applyEdit();
  }

  // The checker's findings, one a line as mirrim-cli check writes them; those in the edited text itself
  // (the file name) are marked at their lines too.
  function showFindings(text, state, name = '') {
    const SHOWN = 100;
    const found = text.split('\n').filter((line) => line);
    edits.marks = new Map();
    const items = found.slice(0, SHOWN).map((line) => {
      const item = document.createElement('li');
      item.textContent = line;
      const where = line.startsWith(`${name}:`) && /^:(\d+): (error|warning): /.exec(line.slice(name.length));
      const severity = / error: /.test(line) ? 'error' : 'warning';
      item.className = severity;
      if (where) {
        const number = Number(where[1]);
        item.dataset.line = String(number);
        const mark = edits.marks.get(number);
        if (!mark || mark.severity === 'warning') edits.marks.set(number, { severity, text: line });
      }
      return item;
    });
    if (found.length > SHOWN) items.push(Object.assign(document.createElement('li'), { textContent: `... and ${found.length - SHOWN} more.` }));
    $('findings').replaceChildren(...items);
    $('edit-state').textContent = state;
    paintLines();
  }

  // The numbers of the lines in view, and the marks on them (only those: a text may have a million).
  function paintLines() {
    if (!editorOpen()) return;
    const first = Math.floor(definition.scrollTop / LINE);
    const last = Math.min(edits.lines, first + Math.ceil(definition.clientHeight / LINE) + 1);
    const rows = [];
    for (let number = first + 1; number <= last; ++number) {
      const row = document.createElement('div');
      row.textContent = String(number);
      const mark = edits.marks.get(number);
      if (mark) {
        row.className = mark.severity;
        row.title = mark.text;
      }
      rows.push(row);
    }
    if (rows.length > 0) rows[0].style.marginTop = `${first * LINE - definition.scrollTop}px`;
    $('editor-lines').replaceChildren(...rows);
  }

  // The text caret at the start of a line, in view.
  function goToLine(number) {
    const lines = definition.value.split('\n', number);
    const at = lines.slice(0, number - 1).reduce((n, line) => n + line.length + 1, 0);
    definition.focus();
    definition.setSelectionRange(at, at + (lines[number - 1] || '').length);
    definition.scrollTop = Math.max(0, (number - 3) * LINE);
  }

  const utf8Length = (text) => new TextEncoder().encode(text).length;

  function wireEditor() {
    definition.addEventListener('input', () => {
      edits.lines = countLines(definition.value);
      paintLines();
      clearTimeout(edits.timer);
      // A long text takes longer to check: it waits for a longer pause.
      edits.timer = setTimeout(applyEdit, Math.min(3000, 400 + definition.value.length / 10000));
    });
    definition.addEventListener('scroll', paintLines);
    // A paste or a drop that would make the text longer than a definition file may be is not taken, so
    // that the page does not hold and check it.
    definition.addEventListener('beforeinput', (event) => {
      const added = event.data ?? (event.dataTransfer ? event.dataTransfer.getData('text/plain') : '');
      if (!added || added.length < 2) return;
      const replaced = definition.value.slice(definition.selectionStart, definition.selectionEnd);
      const kept = definition.value.length - replaced.length;
      if (3 * (kept + added.length) <= MAX_DEFINITION_BYTES) return; // UTF-8: at most 3 bytes a character
      const size = utf8Length(definition.value) - utf8Length(replaced) + utf8Length(added);
      if (size <= MAX_DEFINITION_BYTES) return;
      event.preventDefault();
      $('edit-state').textContent = `Not taken: the text would be ${size} bytes long, and a definition holds at most `
        + `${MAX_DEFINITION_BYTES}.`;
    });
    $('findings').addEventListener('click', (event) => {
      const item = event.target.closest('li[data-line]');
      if (item) goToLine(Number(item.dataset.line));
    });
    $('restart').addEventListener('click', onRestart);
    $('download-vq').addEventListener('click', () => download(new Blob([definition.value], { type: 'text/plain' }), `${stem}.vq`));
    $('edit-share').addEventListener('click', () => {
      flushEdit();
      onShare();
    });
    $('edit-close').addEventListener('click', toggleEditor);
  }

  // ---- the popup menu ------------------------------------------------------------------------------

  const menuItems = () => [...$('menu').querySelectorAll('button:not(:disabled)')];

  function openMenu(x, y) {
    stopTimer();
    updateControls();
    const menu = $('menu');
    menuReturn = document.activeElement;
    menu.hidden = false;
    const box = menu.getBoundingClientRect();
    menu.style.left = Math.min(x, window.innerWidth - box.width - 4) + 'px';
    menu.style.top = Math.min(y, window.innerHeight - box.height - 4) + 'px';
    menuItems()[0].focus();
  }

  // Closes the menu; a chosen item then runs as its command, after the menu has gone.
  function closeMenu(chosen) {
    const menu = $('menu');
    if (menu.hidden) return;
    menu.hidden = true;
    if (menuReturn && document.contains(menuReturn)) menuReturn.focus();
    menuReturn = null;
    rearmIfPlaying();
    const commands = { load: onLoad, folder: onLoadFolder, compressor: chooseCompressor, statistics: onStatistics,
      edit: toggleEditor, share: onShare, about: onAbout };
    if (chosen && commands[chosen]) commands[chosen]();
  }

  function menuKey(event) {
    const items = menuItems();
    const at = items.indexOf(document.activeElement);
    const moves = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: items.length - 1 };
    if (event.key in moves) {
      items[(moves[event.key] + items.length) % items.length].focus();
    } else if (event.key === 'Escape' || event.key === 'Tab') {
      closeMenu(null);
    } else {
      return;
    }
    event.preventDefault();
    event.stopPropagation();
  }

  // ---- exit ----------------------------------------------------------------------------------------

  // The window closes; a page cannot, so the player ends here and offers to start again.
  function exit() {
    stopTimer();
    stopRecording();
    if (playing()) call.stop();
    pointer.down = false;
    $('window').inert = true;
    $('editor').inert = true;
    $('ended').hidden = false;
    $('again').focus();
  }

  // ---- keys ----------------------------------------------------------------------------------------

  // The window's keys, whatever has the keyboard; a list keeps its own arrows, letters and Space.
  const plainKeys = {
    ' ': () => (playing() ? onStop() : onPlay()),
    ArrowRight: () => { if (!$('step').disabled) onStep(); },
    '.': () => { if (!$('step').disabled) onStep(); },
    Delete: () => onClear(),
    r: () => onRecord(),
    s: () => onSnapshot(),
    o: () => onLoad(),
    p: () => onQuickParts(),
    F1: () => onAbout(),
    Escape: () => exit(),
  };
  const ctrlKeys = {
    o: () => onLoad(), e: () => toggleEditor(), '+': () => zoomBy(1), '=': () => zoomBy(1), '-': () => zoomBy(-1),
  };

  function windowKey(event) {
    if (!$('ended').hidden || document.querySelector('dialog[open]') || !$('menu').hidden) return;
    const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
    let action = null;
    if ((key === 'F10' && event.shiftKey) || key === 'ContextMenu') {
      action = () => {
        const box = $('window').getBoundingClientRect();
        openMenu(box.left + 5, box.top + 5);
      };
    } else if (event.ctrlKey || event.metaKey) {
      action = event.altKey ? null : ctrlKeys[key];
    } else if (!event.altKey) {
      // In the editor's text every key but F1 types, Esc too: it must not end the page and the edits.
      const typing = event.target.closest && event.target.closest('select, input, textarea');
      const passed = key === 'F1' || (key === 'Escape' && typing && typing.tagName !== 'TEXTAREA');
      action = typing && !passed ? null : plainKeys[key];
    }
    if (!action) return;
    event.preventDefault();
    action();
  }

  // ---- wiring --------------------------------------------------------------------------------------

  function pointerAt(event) {
    const box = canvas.getBoundingClientRect();
    pointer.x = Math.floor((event.clientX - box.left - canvas.clientLeft) * canvas.width / canvas.clientWidth);
    pointer.y = Math.floor((event.clientY - box.top - canvas.clientTop) * canvas.height / canvas.clientHeight);
  }

  function wire() {
    $('clear').addEventListener('click', onClear);
    $('stop').addEventListener('click', onStop);
    $('step').addEventListener('click', onStep);
    $('play').addEventListener('click', onPlay);
    $('playing').addEventListener('click', onPlay);
    $('record').addEventListener('click', onRecord);
    $('recording').addEventListener('click', onRecord);
    $('snapshot').addEventListener('click', onSnapshot);
    $('load').addEventListener('click', onLoad);
    $('exit').addEventListener('click', exit);
    $('again').addEventListener('click', () => location.reload());

    $('scenes').replaceChildren(...shippedScenes().map((name) => new Option(name, name)));
    $('scenes').addEventListener('change', () => {
      const wanted = `#scene=${encodeURIComponent($('scenes').value)}${seed === null ? '' : `&seed=${seed}`}`;
      if (location.hash === wanted) openScene($('scenes').value);
      else location.hash = wanted; // the address shows the scene, and the change opens it
    });
    window.addEventListener('hashchange', openAddress);
    $('seed').addEventListener('change', onSeed);
    $('share').addEventListener('click', onShare);

    // The mouse or a finger held on the picture drives the particle factory. Like the window's mouse
    // capture, the pointer keeps counting beyond the picture; moves while stopped are not followed.
    canvas.addEventListener('pointerdown', (event) => {
      if (event.button !== 0) return;
      event.preventDefault();
      canvas.setPointerCapture(event.pointerId);
      canvas.classList.add('drawing');
      pointerAt(event);
      pointer.down = true;
    });
    canvas.addEventListener('pointermove', (event) => {
      if (pointer.down && playing()) pointerAt(event);
    });
    const release = (event) => {
      if (!pointer.down) return;
      pointerAt(event);
      pointer.down = false;
      canvas.classList.remove('drawing');
    };
    canvas.addEventListener('pointerup', release);
    canvas.addEventListener('pointercancel', release);

    $('window').addEventListener('contextmenu', (event) => {
      event.preventDefault();
      pointer.down = false;
      canvas.classList.remove('drawing');
      openMenu(event.clientX, event.clientY);
    });
    $('menu').addEventListener('click', (event) => {
      const item = event.target.closest('[data-command]');
      if (item && !item.disabled) closeMenu(item.dataset.command);
    });
    $('menu').addEventListener('keydown', menuKey);
    document.addEventListener('pointerdown', (event) => {
      if (!$('menu').hidden && !$('menu').contains(event.target)) closeMenu(null);
    });

    document.addEventListener('keydown', windowKey);
    // Space presses the focused button on release unless its press was taken: take that too.
    document.addEventListener('keyup', (event) => { if (event.key === ' ' && event.defaultPrevented) event.preventDefault(); });
    $('more').addEventListener('click', () => {
      const box = $('more').getBoundingClientRect();
      openMenu(box.left, box.bottom);
    });

    document.addEventListener('dragover', (event) => event.preventDefault());
    document.addEventListener('drop', (event) => {
      if (event.target === definition && !event.dataTransfer.types.includes('Files')) return; // text typed in
      event.preventDefault();
      if ($('ended').hidden) onFiles(MirrimFolders.fromDrop(event.dataTransfer));
    });
    window.addEventListener('resize', fit);
    wireEditor();
  }

  // A page for the test to drive: everything a user can do goes through the controls above; this only
  // reports and measures.
  const testing = {
    state: () => ({ scene: sceneName, ticks, playing: playing(), particles: call.particle_count(),
      pointer: { ...pointer }, caption, loaded, edits: edits.applied }),
    // performance.now() over `ticks` ticks of the default scene holding about `particles` particles: its
    // factory emits particles / 160 a tick, each lives 160 ticks; timed after that many ticks of warm-up.
    benchmark(particles, ticks) {
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
      mirrim.FS.writeFile('/benchmark.zrk', Uint8Array.from([definition.length, ...new TextEncoder().encode(definition)]));
      call.load('/benchmark.zrk');
      for (let i = 0; i < 160; ++i) call.tick(0, 0, 0);
      let fewest = Infinity;
      let most = 0;
      const start = performance.now();
      for (let i = 0; i < ticks; ++i) {
        call.tick(0, 0, 0);
        draw();
        const count = call.particle_count();
        fewest = Math.min(fewest, count);
        most = Math.max(most, count);
      }
      const msPerTick = (performance.now() - start) / ticks;
      call.start(); // openScene keeps the player stopped or playing as it was
      if (!wasPlaying) call.stop();
      openScene(sceneName);
      return { msPerTick, fewest, most };
    },
  };

  function ready(module) {
    bind(module);
    $('version').textContent = call.version();
    wire();
    call.start();
    paintTexture();
    fit();
    $('loading').remove();
    openAddress();
    window.mirrimPage = testing;
  }

  // Should the module ever fail (a fault of ours, or memory the browser will not give), say so and
  // stop the clock rather than throwing on every tick.
  const stopped = (why) => {
    failed = true;
    stopTimer();
    const note = Object.assign(document.createElement('p'), { id: 'loading', role: 'alert' });
    note.textContent = `Mirrim has stopped: ${why}`;
    $('area').append(note);
  };
  // The files the player reads are noted (FS.readFiles): Share carries the pictures a scene has read.
  createMirrim({ onAbort: stopped, logReadFiles: true }).then(ready, (error) => {
    $('loading').textContent = `Mirrim cannot start in this browser: ${error}`;
  });

  // Once loaded, the page works without the network, and comes back without it.
  if ('serviceWorker' in navigator && location.protocol.startsWith('http')) {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  }
})();
