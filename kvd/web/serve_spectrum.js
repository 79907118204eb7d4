// The spectrum panel of a record, kept on the server by the viewer's own
// panel model: the page only passes the pointer and the keys on, in the
// panel's client pixels and with the key bits of a Windows mouse message,
// and shows the picture, the windows and the read-out that come back. No
// boundary, sum or limit is worked out here.
function kvdSpectrumPanel(options) {
  'use strict';
  // WM_MOUSEMOVE's key bits, which the model takes as they are.
  var kLeftButton = 1, kRightButton = 2, kShift = 4, kControl = 8, kMiddleButton = 16;
  var box = options.box, readOut = options.readOut, readOutImage = options.readOutImage;
  var panel = null, queue = [], busy = false, opening = null;

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
    options.onState(state);
  }

  function open() {
    if (!opening) {
      opening = kvd.post('/api/records/' + encodeURIComponent(options.record) + '/spectrum', {}).then(function (state) {
        panel = state.panel;
        opening = null;
        show(state);
        return state;
      }, function (e) { opening = null; throw e; });
    }
    return opening;
  }

  // At most one request is on its way; the events that came meanwhile go
  // in the next one, successive moves reduced to the latest.
  function send() {
    if (busy || queue.length === 0 || !panel) return;
    var events = queue;
    queue = [];
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
    var last = queue[queue.length - 1];
    if (event.type === 'move' && last && last.type === 'move') queue[queue.length - 1] = event;
    else queue.push(event);
    send();
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
  var last = null;
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
    var event = null;
    if (e.key === 'ArrowLeft') event = { type: 'key', key: 'left' };
    else if (e.key === 'ArrowRight') event = { type: 'key', key: 'right' };
    // As the panel's buttons: UP raises the bars, DOWN lowers them.
    else if (e.key === 'ArrowUp') event = { type: 'zoom_in' };
    else if (e.key === 'ArrowDown') event = { type: 'zoom_out' };
    if (!event) return;
    e.preventDefault();
    push(event);
  });

  return {
    open: open,
    zoomIn: function () { push({ type: 'zoom_in' }); },
    zoomOut: function () { push({ type: 'zoom_out' }); }
  };
}
