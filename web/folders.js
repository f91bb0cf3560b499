// Files chosen or dropped, each with its path inside what was chosen: a chosen or dropped folder keeps
// its tree below itself, so names a scene gives relative to the folder find their files.

const MAX_FILES = 10000; // a dropped home folder should not be walked for ever

// From a file input, with or without webkitdirectory.
function fromInput(files) {
  return [...files].map((file) => ({
    file,
    path: file.webkitRelativePath ? file.webkitRelativePath.split('/').slice(1).join('/') : file.name,
  }));
}

const entryFile = (entry) => new Promise((resolve, reject) => entry.file(resolve, reject));

// Every entry of a folder: readEntries gives them a batch at a time, until an empty one.
async function folderEntries(folder) {
  const reader = folder.createReader();
  const all = [];
  for (;;) {
    const batch = await new Promise((resolve, reject) => reader.readEntries(resolve, reject));
    if (batch.length === 0) return all;
    all.push(...batch);
  }
}

async function walk(entry, prefix, out) {
  if (out.length >= MAX_FILES) throw new Error(`the folder holds more than ${MAX_FILES} files`);
  if (entry.isFile) {
    out.push({ file: await entryFile(entry), path: prefix + entry.name });
  } else if (entry.isDirectory) {
    for (const child of await folderEntries(entry)) await walk(child, `${prefix}${entry.name}/`, out);
  }
}

// From a drop. The entries must be taken while the drop event runs; reading them may come later.
async function fromDrop(dataTransfer) {
  const items = [...(dataTransfer.items || [])].filter((item) => item.kind === 'file');
  const entries = items.map((item) => (item.webkitGetAsEntry ? item.webkitGetAsEntry() : null));
  if (entries.length === 0 || entries.some((entry) => !entry)) return fromInput(dataTransfer.files || []);
  const out = [];
  for (const entry of entries) {
    if (entry.isDirectory) {
      for (const child of await folderEntries(entry)) await walk(child, '', out);
    } else {
      await walk(entry, '', out);
    }
  }
  return out;
}

export { fromInput, fromDrop };
