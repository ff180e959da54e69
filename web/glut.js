// What Emscripten's GLUT lacks for the garden, on the page:
// - pop-up menus: the menus web/menus.cpp keeps, shown as elements with
//   role="menu" and entries with role="menuitem" whose text is the label,
//   on the button they are attached to and on a long press on a touch
//   screen; while a menu is attached to a button, that button's presses
//   never reach the garden, as with freeglut, and while a menu is open it
//   takes the keys and the mouse. A chosen entry's value goes to the page
//   (Module.onMenuChoice), which delivers it with all the other input;
// - the end: exit() ends the program, which keeps running after main()
//   returns into the browser's event loop, and Module.onExit hears the
//   status; every call into the garden runs so that exit() inside it ends
//   cleanly (Module.callGarden). Where the page can start a fresh garden
//   without a reload (Module.onGardenEnd says so), exit() ends the garden
//   but keeps the runtime, so the garden's start can be put back
//   (Module.holdGardenRuntime when it runs again).
// GLUT's own listeners stay for the menus' sake, but the garden's input
// callbacks are not GLUT's (web/input.cpp): GLUT hears the mouse and the
// keys and hands them to nobody.

var LibraryGardenGlut = {
  $GardenGlut__deps: ['$GLUT', '$callUserCallback', '$runtimeKeepalivePush', '$runtimeKeepalivePop'],
  $GardenGlut__postset: 'GardenGlut.wrapGlutHandlers();',
  $GardenGlut: {
    // Whether main() has handed the program to the event loop.
    running: false,
    // The open menus' elements, the attached menu first, then its open
    // submenus.
    open: [],
    longPress: null,
    // How long a finger rests, and how far it may wander, to open the menu.
    longPressMilliseconds: 500,
    longPressSlack: 10,

    call: function(func) { callUserCallback(func); },

    // GLUT registers its handlers in glutInit, long after this runs: it
    // registers these wrappers instead.
    wrapGlutHandlers: function() {
      ['onKeydown', 'onKeyup', 'onMousemove', 'onMouseButtonDown', 'onMouseButtonUp', 'onMouseWheel', 'touchHandler'].forEach(function(name) {
        var handler = GLUT[name];
        GLUT[name] = function(event) {
          if (GardenGlut.menuTakes(event)) return;
          handler(event);
        };
      });
      Module['callGarden'] = GardenGlut.call;
      // A garden put back to an earlier moment has no menu open.
      Module['closeGardenMenus'] = function() { GardenGlut.closeMenus(); };
      Module['holdGardenRuntime'] = function() { GardenGlut.running = true; };
      if (typeof window == 'undefined') return;
      window.addEventListener('contextmenu', function(event) {
        if (event.target == Module['canvas'] || GardenGlut.inMenu(event.target)) event.preventDefault();
      }, true);
      // A press anywhere else on the page closes the menus, as a click
      // beside a menu does.
      window.addEventListener('pointerdown', function(event) {
        if (GardenGlut.open.length && event.target != Module['canvas'] && !GardenGlut.inMenu(event.target))
          GardenGlut.closeMenus();
      }, true);
      ['touchstart', 'touchmove', 'touchend', 'touchcancel'].forEach(function(type) {
        window.addEventListener(type, GardenGlut.watchLongPress, true);
      });
    },

    inMenu: function(target) {
      return !!(target && target.closest && target.closest('[role="menu"]') && GardenGlut.open.length);
    },

    // Whether the menus take this event from GLUT: everything of the mouse
    // while a menu is open, and the presses of a button with a menu.
    menuTakes: function(event) {
      var type = event.type;
      if (GardenGlut.open.length) {
        // The keys are the menu's own.
        if (type == 'keydown' || type == 'keyup') {
          if (type == 'keydown') GardenGlut.menuKey(event);
          return true;
        }
        if (type == 'mousemove') {
          GardenGlut.pointAt(event.target);
          return true;
        }
        if (type == 'mousedown') {
          if (!GardenGlut.inMenu(event.target)) GardenGlut.closeMenus();
          return true;
        }
        if (type == 'mouseup') {
          GLUT.buttons &= ~(1 << event.button);
          GardenGlut.release(event.target);
          return true;
        }
        return type == 'mousewheel' || type == 'DOMMouseScroll';
      }
      if (type != 'mousedown' && type != 'mouseup') return false;
      if (!GardenGlut.running || !_sandmereAttachedMenu(event.button)) return false;
      if (type == 'mousedown' && event.target == Module['canvas']) {
        event.preventDefault();
        GardenGlut.openMenu(_sandmereAttachedMenu(event.button), event.clientX, event.clientY, 0);
      }
      return true;
    },

    watchLongPress: function(event) {
      var press = GardenGlut.longPress;
      if (event.type == 'touchstart') {
        if (press) clearTimeout(press.timer);
        GardenGlut.longPress = null;
        if (event.target != Module['canvas'] || event.touches.length != 1 || GardenGlut.open.length) return;
        if (!GardenGlut.running || !_sandmereAttachedMenu(2)) return;
        var touch = event.touches[0];
        press = {x: touch.clientX, y: touch.clientY};
        press.timer = setTimeout(function() {
          GardenGlut.longPress = null;
          if (GardenGlut.running) GardenGlut.openMenu(_sandmereAttachedMenu(2), press.x, press.y, 0);
        }, GardenGlut.longPressMilliseconds);
        GardenGlut.longPress = press;
        return;
      }
      if (!press) return;
      var moved = event.changedTouches[0];
      if (event.type == 'touchmove' && Math.abs(moved.clientX - press.x) <= GardenGlut.longPressSlack &&
          Math.abs(moved.clientY - press.y) <= GardenGlut.longPressSlack) return;
      clearTimeout(press.timer);
      GardenGlut.longPress = null;
    },

    // Shows menu as the menu at the given depth, its corner at (x, y) in
    // the viewport, and closes any deeper one.
    openMenu: function(menu, x, y, depth) {
      GardenGlut.closeMenus(depth);
      var element = document.createElement('div');
      element.setAttribute('role', 'menu');
      element.className = 'garden-menu';
      element.dataset.menu = menu;
      var style = element.style;
      style.position = 'fixed';
      style.left = x + 'px';
      style.top = y + 'px';
      style.zIndex = 1000;
      var count = _sandmereMenuSize(menu);
      for (var entry = 0; entry < count; ++entry) {
        var item = document.createElement('div');
        item.setAttribute('role', 'menuitem');
        item.className = 'garden-menu-item';
        item.tabIndex = -1;
        item.dataset.entry = entry;
        item.textContent = UTF8ToString(_sandmereMenuLabel(menu, entry));
        var submenu = _sandmereMenuSubmenu(menu, entry);
        if (submenu) {
          item.dataset.submenu = submenu;
          item.setAttribute('aria-haspopup', 'menu');
          item.setAttribute('aria-expanded', 'false');
        }
        element.appendChild(item);
      }
      // Inside the page's main landmark where it has one, like the rest of
      // what the page shows.
      (document.querySelector('main') || document.body).appendChild(element);
      GardenGlut.open.push(element);
      // Kept inside the viewport where it fits.
      var box = element.getBoundingClientRect();
      if (box.right > window.innerWidth) style.left = Math.max(0, window.innerWidth - box.width) + 'px';
      if (box.bottom > window.innerHeight) style.top = Math.max(0, window.innerHeight - box.height) + 'px';
    },

    closeMenus: function(depth) {
      depth = depth || 0;
      while (GardenGlut.open.length > depth) GardenGlut.open.pop().remove();
      var parent = GardenGlut.open[depth - 1];
      if (parent) parent.querySelectorAll('[aria-expanded="true"]').forEach(function(item) {
        item.setAttribute('aria-expanded', 'false');
      });
    },

    itemOf: function(target) {
      var item = target && target.closest ? target.closest('[role="menuitem"]') : null;
      return item && GardenGlut.open.indexOf(item.parentNode) >= 0 ? item : null;
    },

    openSubmenu: function(item) {
      var depth = GardenGlut.open.indexOf(item.parentNode) + 1;
      if (item.getAttribute('aria-expanded') == 'true' && GardenGlut.open.length > depth) return;
      var box = item.getBoundingClientRect();
      GardenGlut.openMenu(+item.dataset.submenu, box.right, box.top, depth);
      item.setAttribute('aria-expanded', 'true');
    },

    // The entry the keyboard acts on, marked data-active; the page's focus
    // stays where it was.
    setActive: function(item) {
      GardenGlut.open.forEach(function(menu) {
        menu.querySelectorAll('[data-active]').forEach(function(other) {
          if (other != item && other.parentNode == item.parentNode) delete other.dataset.active;
        });
      });
      item.dataset.active = '';
    },

    // The pointer over an entry makes it the active one and opens its
    // submenu, as freeglut does.
    pointAt: function(target) {
      var item = GardenGlut.itemOf(target);
      if (!item) return;
      GardenGlut.setActive(item);
      if (item.dataset.submenu) GardenGlut.openSubmenu(item);
      else GardenGlut.closeMenus(GardenGlut.open.indexOf(item.parentNode) + 1);
    },

    // A release on an entry chooses it; on a submenu's entry, opens it.
    release: function(target) {
      var item = GardenGlut.itemOf(target);
      if (!item) return;
      if (item.dataset.submenu) GardenGlut.openSubmenu(item);
      else GardenGlut.choose(item);
    },

    choose: function(item) {
      var menu = +item.parentNode.dataset.menu;
      var value = _sandmereMenuValue(menu, +item.dataset.entry);
      GardenGlut.closeMenus();
      if (Module['onMenuChoice']) Module['onMenuChoice'](menu, value);
      else GardenGlut.call(function() { _sandmereChooseMenuValue(menu, value); });
    },

    // The keyboard in the innermost open menu: arrows move among entries,
    // right opens a submenu, left or Escape closes a menu, Enter or Space
    // chooses.
    menuKey: function(event) {
      var menu = GardenGlut.open[GardenGlut.open.length - 1];
      var item = menu.querySelector('[data-active]');
      var next = null;
      switch (event.key) {
        case 'ArrowDown': next = item ? item.nextElementSibling || menu.firstElementChild : menu.firstElementChild; break;
        case 'ArrowUp': next = item ? item.previousElementSibling || menu.lastElementChild : menu.lastElementChild; break;
        case 'ArrowRight':
          if (item && item.dataset.submenu) {
            GardenGlut.openSubmenu(item);
            GardenGlut.setActive(GardenGlut.open[GardenGlut.open.length - 1].firstElementChild);
          }
          break;
        case 'ArrowLeft':
          if (GardenGlut.open.length > 1) GardenGlut.closeMenus(GardenGlut.open.length - 1);
          break;
        case 'Escape': GardenGlut.closeMenus(GardenGlut.open.length - 1); break;
        case 'Enter':
        case ' ':
          if (item) GardenGlut.release(item);
          break;
        default: return;
      }
      event.preventDefault();
      if (next) GardenGlut.setActive(next);
    },

    // The program's end: the menus go, the runtime is let go.
    end: function() {
      GardenGlut.closeMenus();
      if (GardenGlut.longPress) clearTimeout(GardenGlut.longPress.timer);
      GardenGlut.longPress = null;
      if (GardenGlut.running) {
        GardenGlut.running = false;
        runtimeKeepalivePop();
      }
    },
  },

  sandmereHoldRuntime__deps: ['$GardenGlut'],
  sandmereHoldRuntime: function() {
    GardenGlut.running = true;
    runtimeKeepalivePush();
  },

  // exit() ends the program even while the event loop holds it.
  exit__deps: ['$GardenGlut'],
  exit: function(status) {
    if (GardenGlut.running && Module['onGardenEnd'] && Module['onGardenEnd'](status)) {
      // Ended for the page, with the runtime held for the next garden:
      // nothing more of this call runs.
      GardenGlut.closeMenus();
      GardenGlut.running = false;
      throw 'unwind';
    }
    GardenGlut.end();
    exit(status);
  },
};

autoAddDeps(LibraryGardenGlut, '$GardenGlut');
mergeInto(LibraryManager.library, LibraryGardenGlut);
