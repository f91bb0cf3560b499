// The window's commands, each run as the window runs them: the timer stopped first, re-armed afterwards
// only while playing. Buttons, keys and the popup menu all come here.
import { $, call, page, playing } from './player.js';
import { download, message, modal } from './dialogs.js';
import { command, stopTimer } from './clock.js';
import { draw, setCaption } from './picture.js';
import { isRecording, recordFrame, startRecording, stopRecording } from './recording.js';
import { changeSeed, startAfresh } from './scenes.js';
import { chooseFiles, loadFiles } from './files.js';
import { flushEdit } from './editor.js';
import { share } from './share.js';

// The picture as it stands, at its own size, as a PNG file.
function snapshot() {
  if (call.frame_width() === 0) return message('There is no picture to take: the scene\'s picture cannot be shown.');
  return new Promise((resolve) => $('picture').toBlob((blob) => {
    if (blob) download(blob, `mirrim-${page.stem}.png`);
    resolve();
  }, 'image/png'));
}

export const onClear = command(() => { call.clear(); draw(); });
export const onPlay = command(() => { call.toggle_play(); });
export const onStop = command(() => { call.stop(); setCaption('Dozozudori'); draw(); });
export const onStep = command(() => { call.step(); page.ticks += 1; draw(); recordFrame(); });
export const onRecord = command(() => {
  if (!isRecording()) return startRecording();
  const refused = stopRecording();
  return refused ? message(refused) : undefined;
});
export const onSnapshot = command(() => snapshot());
export const onLoad = command(() => chooseFiles('files'));
export const onLoadFolder = command(() => chooseFiles('folder'));
export const onFiles = command((files) => loadFiles(files));
export const onQuickParts = command(() => call.toggleParticles());
export const onStatistics = command(() => message(`${call.particle_count()} particles`));
export const onAbout = command(() => modal($('about')));
export const onShare = command(() => share());
export const onSeed = command(() => changeSeed());
export const onRestart = command(() => {
  flushEdit();
  startAfresh(playing());
  call.messages(); // the editor shows what the checker finds
});

// The window closes; a page cannot, so the player ends here and offers to start again.
export function exit() {
  stopTimer();
  stopRecording();
  if (playing()) call.stop();
  page.pointer.down = false;
  $('window').inert = true;
  $('editor').inert = true;
  $('ended').hidden = false;
  $('again').focus();
}
