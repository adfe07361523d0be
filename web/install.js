// The offline copy: sw.js keeps every file of the site, so the page starts
// without a network and can be installed to the home screen. Browsers offer
// service workers to secure pages only (https, or localhost); without one
// the page works as before.
'use strict';

if ('serviceWorker' in navigator) {
  // After the page's own load, so that copying the site does not slow the
  // first visit's start.
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch((error) => {
      console.warn('lumo: no offline copy:', error);
    });
  });
}
