// The page's start: the controller (controller.js) with its view and its
// engines, the input that drives it (input.js), and the service worker that
// keeps the site for visits without the network.
import { Controller } from './controller.js';
import { listen } from './input.js';

document.documentElement.dataset.started = 'yes';
listen(new Controller());
if ('serviceWorker' in navigator) {
  navigator.serviceWorker.register('sw.js').catch((error) => console.warn(`No offline copy: ${error.message}`));
}
