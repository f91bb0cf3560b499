// Recording: a WebM video of the canvas through the browser's MediaRecorder, or an animated GIF made
// here from the player's frames; a frame for every tick or step drawn while it runs.
import { $, TICK_MS, call, page } from './player.js';
import { busy, download, message, modal } from './dialogs.js';
import { updateControls } from './clock.js';
import { Recording as GifRecording } from './gif.js';

// Browsers write a WebM file of fewer frames that players will not open.
const MIN_VIDEO_FRAMES = 3;
const GIF = 'image/gif'; // the compressor choice that records a GIF
const video = { recorder: null, track: null, frames: 0, mimeType: '', kbps: 0 };

export const isRecording = () => video.recorder !== null;

function videoTypes() {
  if (!window.MediaRecorder) return [];
  return ['video/webm;codecs=vp9', 'video/webm;codecs=vp8', 'video/webm']
    .filter((type) => MediaRecorder.isTypeSupported(type));
}

export function startRecording() {
  if (call.frame_width() === 0) return message('There is no picture to record: the scene\'s picture cannot be shown.');
  if (video.mimeType === GIF) {
    // Made here from the player's frames, once the clip is over.
    video.recorder = { gif: new GifRecording(call.frame_width(), call.frame_height(), TICK_MS) };
    video.frames = 0;
    call.start_recording();
    return undefined;
  }
  const canvas = $('picture');
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
  const name = `mirrim-${page.stem}.webm`;
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
export function stopRecording() {
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
export function recordFrame() {
  if (!video.recorder) return '';
  const { gif } = video.recorder;
  if (!gif) {
    video.track.requestFrame();
  } else if (call.frame_width() !== gif.width || call.frame_height() !== gif.height) {
    return `Rendering - Frame ${video.frames}`; // a GIF keeps the size it started with
  } else {
    gif.add(new Uint8Array(page.mirrim.HEAPU8.buffer, call.frame(), gif.width * gif.height * 4));
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
  const name = `mirrim-${page.stem}.gif`;
  busy('Writing the GIF...').then(() => {
    download(gif.finish(), name);
    busy('');
  });
  return '';
}

// The animation goes on while the compressor is chosen, as in the window.
export async function chooseCompressor() {
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
