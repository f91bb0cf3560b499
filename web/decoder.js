// Decodes JPEG and PNG files to canvas pixels away from the page's thread: a 12-megapixel photo takes
// seconds, during which the page would otherwise freeze.
'use strict';

self.onmessage = async ({ data }) => {
  try {
    const image = await createImageBitmap(data.blob, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' });
    const surface = new OffscreenCanvas(image.width, image.height);
    const drawing = surface.getContext('2d');
    drawing.drawImage(image, 0, 0);
    image.close();
    const rgba = drawing.getImageData(0, 0, surface.width, surface.height).data.buffer;
    self.postMessage({ id: data.id, width: surface.width, height: surface.height, rgba }, [rgba]);
  } catch (error) {
    self.postMessage({ id: data.id, error: error.message || String(error) });
  }
};
