// The spectrum panel of a record, kept on the server by the viewer's own
// panel model: the page only passes the pointer and the keys on, in the
// panel's client pixels and with the key bits of a Windows mouse message,
// and shows the picture, the windows and the read-out that come back. No
// boundary, sum or limit is worked out here: the keyboard's boundary moves
// are sent as the mouse drags that make them.
function kvdSpectrumPanel(options) {
  'use strict';
  // WM_MOUSEMOVE's key bits, which the model takes as they are.
  var kLeftButton = 1, kRightButton = 2, kShift = 4, kControl = 8, kMiddleButton = 16;
  // The panel's own geometry: channel c owns the 3-pixel column
  // 3c + 11 … 3c + 13, and the plot's band runs from y 16 to 272.
  function channelX(c) { return 3 * c + 12; }
  var kBandMiddleY = 144;
  // Where a read-out started from the keyboard begins: the middle channel
  // of the windows' channels 18 … 255.
  var kMiddleChannel = 136;
  var box = options.box, readOut = options.readOut, readOutImage = options.readOutImage, mark = options.mark;
  var panel = null, queue = [], busy = false, opening = null;
  // The latest state shown; whether the model has a read-out, or one is on
  // its way (it keeps one once it has it); the boundary the keyboard moves.
  var current = null, started = false, chosen = -1;
  // Whether the keys work the panel, rather than the pointer: what they
  // move is then scrolled into sight (a phone shows a part of the panel).
  var byKeys = false;
  // The pointer where the model was last told it is.
  var last = null;

  function svgElement(text) {
    var doc = new DOMParser().parseFromString(text, 'image/svg+xml');
    var svg = doc.documentElement;
    return svg && svg.nodeName.toLowerCase() === 'svg' ? document.importNode(svg, true) : null;
  }

  function show(state) {
    var svg = svgElement(state.svg);
    if (svg) {
      svg.setAttribute('class', 'panel-svg');
      svg.setAttribute('aria-hidden', 'true');
      var old = box.querySelector('svg.panel-svg');
      if (old) old.replaceWith(svg); else box.insertBefore(svg, box.firstChild);
    }
    var r = state.read_out;
    if (r) {
      readOutImage.src = 'data:image/svg+xml;charset=utf-8,' + encodeURIComponent(r.svg);
      readOut.style.left = r.left + 'px';
      readOut.style.top = r.top + 'px';
      readOut.style.width = r.width + 'px';
      readOut.style.height = r.height + 'px';
      readOut.hidden = false;
    } else {
      readOut.hidden = true;
    }
    box.classList.toggle('dragging', !!state.dragging);
    current = state;
    if (state.read_out) started = true;
    if (chosen >= state.boundaries.length) chosen = -1;
    showChoice();
    keepInSight();
    options.onState(state);
  }

  function keepInSight() {
    if (!byKeys || document.activeElement !== box) return;
    var moved = chosen >= 0 ? mark : current && current.read_out ? readOut : null;
    if (moved) moved.scrollIntoView({ block: 'nearest', inline: 'nearest' });
  }

  function showChoice() {
    var channel = chosen >= 0 && current ? current.boundaries[chosen] : null;
    if (channel !== null) mark.style.left = (channelX(channel) - 1) + 'px';
    mark.hidden = channel === null;
    options.onBoundary(chosen, channel);
  }

  function choose(index) {
    chosen = index;
    showChoice();
    keepInSight();
  }

  function open() {
    if (!opening) {
      opening = kvd.post('/api/records/' + encodeURIComponent(options.record) + '/spectrum', {}).then(function (state) {
        panel = state.panel;
        opening = null;
        started = false;
        show(state);
        return state;
      }, function (e) { opening = null; throw e; });
    }
    return opening;
  }

  // A boundary's steps, the first ones of the queue, as the drag that makes
  // them: the press on its column where the model last put it, a move
  // through each neighbouring column, the release. The model keeps the
  // boundary within its limits.
  function dragEvents() {
    var index = queue[0].boundary, by = 0;
    while (queue.length && queue[0].type === 'step' && queue[0].boundary === index) by += queue.shift().by;
    var from = current.boundaries[index], y = kBandMiddleY;
    if (by === 0) return [];
    var events = [{ type: 'move', x: channelX(from), y: y, keys: 0 }, { type: 'down' }];
    for (var k = 1; k <= Math.abs(by); ++k) {
      events.push({ type: 'move', x: channelX(from + (by < 0 ? -k : k)), y: y, keys: kLeftButton });
    }
    events.push({ type: 'up' });
    last = { x: events[events.length - 2].x, y: y };
    return events;
  }

  // At most one request is on its way; the events that came meanwhile go
  // in the next one, successive moves reduced to the latest. A boundary's
  // step waits for the state before it, since it starts where that left
  // the boundary.
  function send() {
    if (busy || !panel) return;
    var events = [];
    while (queue.length && queue[0].type === 'step' && events.length === 0) events = dragEvents();
    if (events.length === 0) {
      while (queue.length && queue[0].type !== 'step') events.push(queue.shift());
    }
    if (events.length === 0) return;
    busy = true;
    kvd.post('/api/spectrum/' + encodeURIComponent(panel), { events: events }).then(function (state) {
      busy = false;
      show(state);
      send();
    }, function (e) {
      busy = false;
      // The server keeps only the latest panels: this one was dropped, so a
      // new one opens as the record's panel opens, and the user goes on.
      if (e.status === 404) { panel = null; queue = []; open().then(send, options.onError); return; }
      options.onError(e);
    });
  }

  function push(event) {
    var previous = queue[queue.length - 1];
    if (event.type === 'move' && previous && previous.type === 'move') queue[queue.length - 1] = event;
    else queue.push(event);
    send();
  }

  // A first ← or → without a read-out starts one, as a click on the middle
  // channel does, so that the keys work as soon as the panel is focused.
  function startReadOut() {
    if (started) return;
    started = true;
    last = { x: channelX(kMiddleChannel), y: kBandMiddleY };
    push({ type: 'move', x: last.x, y: last.y, keys: 0 });
    push({ type: 'down' });
    push({ type: 'up' });
  }

  // The pointer in the panel's client pixels, whatever the page's zoom.
  function position(e) {
    var svg = box.querySelector('svg.panel-svg');
    var rect = (svg || box).getBoundingClientRect();
    var w = svg ? Number(svg.getAttribute('width')) || rect.width : rect.width;
    var h = svg ? Number(svg.getAttribute('height')) || rect.height : rect.height;
    return {
      x: Math.round((e.clientX - rect.left) * w / (rect.width || 1)),
      y: Math.round((e.clientY - rect.top) * h / (rect.height || 1))
    };
  }
  function keys(e) {
    return (e.buttons & 1 ? kLeftButton : 0) | (e.buttons & 2 ? kRightButton : 0) |
      (e.buttons & 4 ? kMiddleButton : 0) | (e.shiftKey ? kShift : 0) | (e.ctrlKey ? kControl : 0);
  }
  function move(e) {
    var p = position(e);
    last = p;
    push({ type: 'move', x: p.x, y: p.y, keys: keys(e) });
  }
  // Windows says where a press or a release happened only through the moves
  // before it; a press where the pointer has not been reported yet gets
  // that move first, with the keys as they were before the press.
  function moveBefore(e) {
    var p = position(e);
    if (last && last.x === p.x && last.y === p.y) return;
    last = p;
    push({ type: 'move', x: p.x, y: p.y, keys: keys(e) & ~kLeftButton });
  }

  box.addEventListener('pointermove', move);
  box.addEventListener('pointerdown', function (e) {
    if (e.button !== 0) return;
    e.preventDefault();
    byKeys = false;
    choose(-1);
    box.focus({ preventScroll: true });
    // A captured pointer goes on reporting outside the panel, as a
    // captured mouse does on Windows, so a boundary drags to the edge.
    box.setPointerCapture(e.pointerId);
    moveBefore(e);
    push({ type: 'down' });
  });
  box.addEventListener('pointerup', function (e) {
    if (e.button !== 0) return;
    push({ type: 'up' });
    if (box.hasPointerCapture(e.pointerId)) box.releasePointerCapture(e.pointerId);
  });
  box.addEventListener('pointerleave', function () { push({ type: 'leave' }); });
  box.addEventListener('keydown', function (e) {
    if (e.altKey || e.ctrlKey || e.metaKey || !current) return;
    byKeys = true;
    var count = current.boundaries.length;
    var digit = /^[1-9]$/.test(e.key) ? Number(e.key) - 1 : -1;
    var side = e.key === 'ArrowLeft' ? -1 : e.key === 'ArrowRight' ? 1 : 0;
    if (digit >= 0 && digit < count) {
      // The chosen boundary's own number lets it go again.
      choose(digit === chosen ? -1 : digit);
    } else if (e.code === 'KeyB') {
      // By the key's place, so that B works in the Russian layout too.
      choose(chosen + 1 < count ? chosen + 1 : -1);
    } else if (e.key === 'Escape' && chosen >= 0) {
      choose(-1);
    } else if (side && chosen >= 0) {
      queue.push({ type: 'step', boundary: chosen, by: side });
      send();
    } else if (side) {
      startReadOut();
      push({ type: 'key', key: side < 0 ? 'left' : 'right' });
    } else if (e.key === 'ArrowUp') {
      // As the panel's buttons: UP raises the bars, DOWN lowers them.
      push({ type: 'zoom_in' });
    } else if (e.key === 'ArrowDown') {
      push({ type: 'zoom_out' });
    } else {
      return;
    }
    e.preventDefault();
  });
  box.addEventListener('blur', function () { if (chosen >= 0) choose(-1); });

  return {
    open: open,
    zoomIn: function () { push({ type: 'zoom_in' }); },
    zoomOut: function () { push({ type: 'zoom_out' }); }
  };
}
