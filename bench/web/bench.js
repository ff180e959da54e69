// Runs the benchmark in the page: its pictures go into /garden (the names
// come from pictures.txt beside this page), the case name prefixes from the
// page's query, and every line it prints to the console panel. The driver
// waits for data-exit-status on the body.
'use strict';

(() => {
  const panel = document.getElementById('console');
  const show = (text) => {
    panel.textContent += text + '\n';
    console.log(text);
  };

  async function fetchPictures() {
    Module.addRunDependency('pictures');
    try {
      const names = (await (await fetch('pictures.txt')).text()).split('\n').filter(Boolean);
      Module.FS.mkdir('/garden');
      for (const name of names) {
        const bytes = new Uint8Array(await (await fetch(`garden/${name}`)).arrayBuffer());
        Module.FS.writeFile(`/garden/${name}`, bytes);
      }
    } catch (error) {
      show(`bench page: the pictures could not be fetched: ${error.message}`);
    } finally {
      Module.removeRunDependency('pictures');
    }
  }

  const cases = new URLSearchParams(location.search).getAll('case');
  window.Module = {
    canvas: document.getElementById('garden'),
    arguments: ['/garden', ...cases],
    print: show,
    printErr: show,
    preRun: [fetchPictures],
    // main() returned, or the program exited.
    postRun: [() => (document.body.dataset.exitStatus ??= '0')],
    onExit: (status) => (document.body.dataset.exitStatus = String(status)),
    onAbort: (what) => {
      show(`aborted: ${what}`);
      document.body.dataset.exitStatus = 'abort';
    },
  };
})();
