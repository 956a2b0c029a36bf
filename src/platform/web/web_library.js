// Browser back end: the page's side, an Emscripten JavaScript library
// (linked with --js-library). It makes and removes the windows' elements,
// shows message boxes, listens to the page's keys and pointers and hands
// them to the program (events.cpp), and does the three waits in which the
// program gives control back to the browser: for an event or a timer
// (dv_wait), for the next animation frame (dv_next_frame), and for a
// message box to be dismissed (dv_message_box). Those three are the
// program's Asyncify imports.
//
// The page (page.html) gives a container with the id dv-screen; windows are
// placed in it at their position. A wait is woken only from here, never
// while the program's code is running: the program is rewound from the
// listener, after the event has been posted.
//
// The program's pixels are the device's, as for a Windows program that is
// aware of each monitor's DPI: the screen it sees, its windows' positions and
// sizes, the canvases' drawing buffers and the pointer's positions are in
// device pixels, and the page shows them at that size divided by
// devicePixelRatio, in CSS pixels. When the ratio changes (zoom, another
// monitor) a window keeps its size in device pixels and the page shows it
// at the new ratio; the program is not told.

var DvWebLibrary = {
  $DV__deps: ['$Asyncify'],
  $DV: {
    windows: {},       // id: {root, canvas, note, hwnd, x, y}; x, y in device pixels
    wakeUp: null,      // ends the wait in dv_wait
    dialog: null,      // the message box showing now
    pointerId: null,   // the pointer whose left button is held
    captured: null,    // the window holding the mouse capture
    listening: false,

    // Keys whose virtual key follows from their position (KeyboardEvent.code);
    // letters, digits, the number pad's digits and F1 to F12 are worked out.
    keys: {
      Backspace: 0x08, Tab: 0x09, Enter: 0x0D, NumpadEnter: 0x0D, ShiftLeft: 0x10, ShiftRight: 0x10,
      ControlLeft: 0x11, ControlRight: 0x11, AltLeft: 0x12, AltRight: 0x12, Pause: 0x13, CapsLock: 0x14,
      Escape: 0x1B, Space: 0x20, PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24, ArrowLeft: 0x25,
      ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, Insert: 0x2D, Delete: 0x2E, Semicolon: 0xBA,
      Equal: 0xBB, Comma: 0xBC, Minus: 0xBD, Period: 0xBE, Slash: 0xBF, Backquote: 0xC0,
      BracketLeft: 0xDB, Backslash: 0xDC, BracketRight: 0xDD, Quote: 0xDE
    },
    extendedKeys: { ShiftRight: 1, ControlRight: 1, AltRight: 1, NumpadEnter: 1 },

    // What the page says over a window whose WebGL context is lost.
    lostText: 'The picture is gone for now: the browser has taken the graphics (WebGL) context away. ' +
              'It comes back when the browser gives the context back.',
    notRestoredText: 'The picture cannot come back: the browser gave the graphics (WebGL) context back, ' +
                     'but duckview could not set it up again. Reloading the page starts it afresh.',

    // Device pixels to a CSS pixel, now.
    ratio: function () {
      return window.devicePixelRatio || 1;
    },

    // Shows a window at its place and its canvas at its drawing buffer's
    // size, both in device pixels, at the ratio there is now. The window is
    // as wide as its canvas: a title too long for it is cut short.
    place: function (win) {
      var ratio = DV.ratio();
      win.root.style.left = win.x / ratio + 'px';
      win.root.style.top = win.y / ratio + 'px';
      win.root.style.width = win.canvas.style.width = win.canvas.width / ratio + 'px';
      win.canvas.style.height = win.canvas.height / ratio + 'px';
    },

    // Places every window again when the ratio changes, then watches for
    // the next change.
    watchRatio: function () {
      matchMedia('(resolution: ' + DV.ratio() + 'dppx)').addEventListener('change', function () {
        for (var id in DV.windows) DV.place(DV.windows[id]);
        DV.watchRatio();
      }, { once: true });
    },

    // A CSS length from an element's edge in device pixels, as a whole
    // pixel; a position on a device pixel's edge, which CSS pixels may not
    // hold exactly, counts as that pixel.
    devicePixel: function (css) {
      return Math.floor(css * DV.ratio() + 1e-3);
    },

    // The words over a window's canvas; none: the canvas shows.
    say: function (win, text) {
      win.note.textContent = text;
      win.note.hidden = !text;
    },

    // Rewinds the program with a wait's result. The program's exit() ends
    // in an ExitStatus thrown back up to here: the page has been told.
    resume: function (wakeUp, value) {
      try {
        wakeUp(value);
      } catch (e) {
        if (!(e instanceof ExitStatus)) throw e;
      }
    },

    // Ends the program's wait for events, if it is waiting.
    wake: function () {
      var wakeUp = DV.wakeUp;
      DV.wakeUp = null;
      if (wakeUp) wakeUp();
    },

    // Input reaches the program unless a message box is up or it has ended.
    inputOpen: function () {
      return !DV.dialog && !ABORT;
    },

    virtualKey: function (e) {
      var key = e.key || '', code = e.code || '', m;
      // Letters by the character they type, as the keyboard layout has it.
      if (key.length == 1 && /[a-z]/i.test(key)) return key.toUpperCase().charCodeAt(0);
      if ((m = /^Key([A-Z])$/.exec(code))) return m[1].charCodeAt(0);
      if ((m = /^Digit([0-9])$/.exec(code))) return 0x30 + Number(m[1]);
      if ((m = /^Numpad([0-9])$/.exec(code))) return 0x60 + Number(m[1]);
      if ((m = /^F([0-9]+)$/.exec(code)) && Number(m[1]) >= 1 && Number(m[1]) <= 12) return 0x6F + Number(m[1]);
      return DV.keys[code] || 0;
    },

    key: function (e, down) {
      if (!DV.inputOpen()) return;
      var vk = DV.virtualKey(e);
      if (!vk) return;
      var capsLock = e.getModifierState && e.getModifierState('CapsLock') ? 1 : 0;
      Module['_dv_post_key'](down, vk, e.repeat ? 1 : 0, DV.extendedKeys[e.code] ? 1 : 0, capsLock);
      // The page does not scroll or search on the program's keys; the
      // browser keeps its shortcuts, its function keys and Tab, which moves
      // the focus into and out of the windows.
      if (!e.ctrlKey && !e.altKey && !e.metaKey && !(vk >= 0x70 && vk <= 0x7B) && vk != 0x09) e.preventDefault();
      DV.wake();
    },

    // A pointer event on a window's canvas as a mouse message. Only the
    // left button (a touch, a pen) makes button messages.
    pointer: function (win, e) {
      if (!DV.inputOpen()) return;
      var message = 0x0200; // WM_MOUSEMOVE
      if (e.type == 'pointercancel') {
        if (DV.pointerId !== e.pointerId) return;
        message = 0x0202; // WM_LBUTTONUP
      } else if (e.button === 0) {
        message = (e.buttons & 1) ? 0x0201 : 0x0202; // WM_LBUTTONDOWN, WM_LBUTTONUP
      }
      if (message == 0x0201) DV.pointerId = e.pointerId;
      else if (message == 0x0202) DV.pointerId = null;
      var keys = ((e.buttons & 1) ? 0x01 : 0) | ((e.buttons & 2) ? 0x02 : 0) | ((e.buttons & 4) ? 0x10 : 0) |
                 (e.shiftKey ? 0x04 : 0) | (e.ctrlKey ? 0x08 : 0);
      var rect = win.canvas.getBoundingClientRect();
      Module['_dv_post_mouse'](win.hwnd, message, keys, DV.devicePixel(e.clientX - rect.left),
                               DV.devicePixel(e.clientY - rect.top), DV.devicePixel(e.clientX),
                               DV.devicePixel(e.clientY));
      DV.wake();
    },

    listen: function () {
      if (DV.listening) return;
      DV.listening = true;
      window.addEventListener('keydown', function (e) { DV.key(e, 1); });
      window.addEventListener('keyup', function (e) { DV.key(e, 0); });
      DV.watchRatio();
    },

    screen: function () {
      return document.getElementById('dv-screen') || document.body;
    },

    // A new element of the page's styles (page.html), with its text.
    element: function (tag, className, text) {
      var element = document.createElement(tag);
      element.className = className;
      if (text !== undefined) element.textContent = text;
      return element;
    }
  },

  // A canvas for the window numbered id, made before the window: hidden in
  // the page until dv_open_window takes it.
  dv_prepare_canvas__deps: ['$DV'],
  dv_prepare_canvas: function (id) {
    var canvas = DV.element('canvas', 'dv-client');
    canvas.id = 'dv-canvas-' + id;
    canvas.hidden = true;
    DV.screen().appendChild(canvas);
  },

  dv_open_window__deps: ['$DV', 'dv_set_canvas_size'],
  dv_open_window: function (id, hwnd, title, width, height) {
    DV.listen();
    var root = DV.element('div', 'dv-window');
    root.hidden = true;
    var bar = DV.element('div', 'dv-titlebar');
    var close = DV.element('button', 'dv-close', '\u00d7');
    close.type = 'button';
    close.title = 'Close';
    bar.append(DV.element('span', 'dv-title', UTF8ToString(title)), close);
    var canvas = document.getElementById('dv-canvas-' + id) || DV.element('canvas', 'dv-client');
    canvas.id = 'dv-canvas-' + id;
    canvas.hidden = false;
    // The keyboard reaches the canvas with Tab; assistive technology hands
    // it the keys and names it by the page's title and the window's.
    canvas.tabIndex = 0;
    canvas.setAttribute('role', 'application');
    canvas.setAttribute('aria-label', document.title + ': ' + UTF8ToString(title).trim());
    if (document.getElementById('dv-window-help')) canvas.setAttribute('aria-describedby', 'dv-window-help');
    var note = DV.element('p', 'dv-note');
    note.setAttribute('role', 'status');
    note.hidden = true;
    root.append(bar, canvas, note);
    DV.screen().appendChild(root);

    var win = { root: root, canvas: canvas, note: note, hwnd: hwnd, x: 0, y: 0 };
    DV.windows[id] = win;
    _dv_set_canvas_size(id, width, height);
    ['pointerdown', 'pointermove', 'pointerup', 'pointercancel'].forEach(function (type) {
      canvas.addEventListener(type, function (e) { DV.pointer(win, e); });
    });
    // A lost context comes back only if the page says it wants it back. The
    // program is told, draws nothing until then and sleeps between events;
    // once it is back the layer is rebuilt and the window repainted.
    canvas.addEventListener('webglcontextlost', function (e) {
      e.preventDefault();
      if (DV.windows[id] !== win || ABORT) return;
      DV.say(win, DV.lostText);
      Module['_dv_context_lost'](hwnd);
    });
    canvas.addEventListener('webglcontextrestored', function () {
      if (DV.windows[id] !== win || ABORT) return;
      DV.say(win, Module['_dv_context_restored'](hwnd) ? '' : DV.notRestoredText);
      DV.wake();
    });
    close.addEventListener('click', function () {
      if (!DV.inputOpen()) return;
      Module['_dv_post_close'](hwnd);
      DV.wake();
    });
  },

  dv_move_window__deps: ['$DV'],
  dv_move_window: function (id, x, y) {
    var win = DV.windows[id];
    win.x = x;
    win.y = y;
    DV.place(win);
  },

  // A window being shown takes the keyboard focus, as it becomes the
  // active window on Windows.
  dv_set_visible__deps: ['$DV'],
  dv_set_visible: function (id, visible) {
    var win = DV.windows[id];
    var showing = visible && win.root.hidden;
    win.root.hidden = !visible;
    if (showing && !DV.dialog) win.canvas.focus();
  },

  // A canvas's drawing buffer is cleared whenever its size is set, so it is
  // set only when it changes.
  dv_set_canvas_size__deps: ['$DV'],
  dv_set_canvas_size: function (id, width, height) {
    var win = DV.windows[id];
    if (win.canvas.width != width) win.canvas.width = width;
    if (win.canvas.height != height) win.canvas.height = height;
    DV.place(win);
  },

  dv_close_window__deps: ['$DV'],
  dv_close_window: function (id) {
    var win = DV.windows[id];
    if (DV.captured === win) DV.captured = null;
    win.root.remove();
    delete DV.windows[id];
  },

  dv_capture_mouse__deps: ['$DV'],
  dv_capture_mouse: function (id) {
    var win = id ? DV.windows[id] : DV.captured;
    DV.captured = id ? win : null;
    if (!win || DV.pointerId === null) return;
    try {
      if (id) win.canvas.setPointerCapture(DV.pointerId);
      else win.canvas.releasePointerCapture(DV.pointerId);
    } catch (e) {
      // The button was let go meanwhile: there is nothing to capture.
    }
  },

  // The page's viewport in device pixels.
  dv_screen_size__deps: ['$DV'],
  dv_screen_size: function (width, height) {
    HEAP32[width >> 2] = Math.round(window.innerWidth * DV.ratio());
    HEAP32[height >> 2] = Math.round(window.innerHeight * DV.ratio());
  },

  dv_wait__deps: ['$DV'],
  dv_wait: function (timeoutMs) {
    return Asyncify.handleSleep(function (wakeUp) {
      var timer = timeoutMs >= 0 ? setTimeout(DV.wake, timeoutMs) : null;
      DV.wakeUp = function () {
        clearTimeout(timer);
        DV.resume(wakeUp, 1);
      };
    });
  },

  dv_next_frame__deps: ['$DV'],
  dv_next_frame: function () {
    return Asyncify.handleSleep(function (wakeUp) {
      requestAnimationFrame(function () { DV.resume(wakeUp, 0); });
    });
  },

  dv_message_box__deps: ['$DV'],
  dv_message_box: function (text, caption, error) {
    return Asyncify.handleSleep(function (wakeUp) {
      var dialog = DV.element('dialog', 'dv-message-box' + (error ? ' dv-error' : ''));
      var form = DV.element('form', 'dv-form');
      form.method = 'dialog';
      var ok = DV.element('button', '', 'OK');
      var buttons = DV.element('div', 'dv-buttons');
      buttons.append(ok);
      var captionLine = DV.element('div', 'dv-caption', UTF8ToString(caption));
      var textLine = DV.element('p', 'dv-text', UTF8ToString(text));
      captionLine.id = 'dv-box-caption';
      textLine.id = 'dv-box-text';
      form.append(captionLine, textLine, buttons);
      dialog.append(form);
      dialog.setAttribute('role', error ? 'alertdialog' : 'dialog');
      dialog.setAttribute('aria-labelledby', captionLine.id);
      dialog.setAttribute('aria-describedby', textLine.id);
      // OK is the box's one control: Tab leaves the focus on it.
      dialog.addEventListener('keydown', function (e) {
        if (e.key == 'Tab') e.preventDefault();
      });
      document.body.appendChild(dialog);
      DV.dialog = dialog;
      // OK and Return submit the form, Escape cancels: either closes it.
      dialog.addEventListener('close', function () {
        dialog.remove();
        DV.dialog = null;
        DV.resume(wakeUp, 1);
      });
      dialog.showModal();
      ok.focus();
      // Once the page has shown the box, the program's first window can be
      // made ready behind it (opengl.cpp).
      requestAnimationFrame(function () {
        setTimeout(function () {
          if (DV.dialog === dialog && !ABORT) Module['_dv_warm_up']();
        }, 0);
      });
    });
  }
};

mergeInto(LibraryManager.library, DvWebLibrary);
