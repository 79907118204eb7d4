// The records page's dialog that places records at a point: object,
// floor, room, point. The archive decides: when some of the records stand
// at another point it refuses, saying how many and where, and only then
// does the dialog offer to move them; when the object does not exist it
// says so and offers to create it here (name, address), then assigns.
// Whatever is typed after a refusal asks anew.
function kvdAssignDialog(options) {
  'use strict';
  var t = kvd.t;
  var dialog = document.getElementById('assign-dialog');
  var form = document.getElementById('assign-form');
  var conflict = document.getElementById('assign-conflict');
  var fresh = document.getElementById('assign-new');
  var okButton = document.getElementById('assign-ok');
  var moveButton = document.getElementById('assign-move');
  var createButton = document.getElementById('assign-create');
  var kPlace = ['object', 'floor', 'room', 'point'];
  // The records of the refused request: a move is of exactly those.
  var pending = null;

  function ask() {
    conflict.hidden = true;
    conflict.replaceChildren();
    fresh.hidden = true;
    moveButton.hidden = true;
    createButton.hidden = true;
    okButton.hidden = false;
    pending = null;
  }

  function say(parts) {
    conflict.replaceChildren();
    parts.forEach(function (p, k) {
      if (k) conflict.appendChild(document.createElement('br'));
      conflict.appendChild(typeof p === 'string' ? document.createTextNode(p) : p);
    });
    conflict.hidden = false;
  }

  function offerPlaces() {
    var name = form.elements.object.value;
    options.offer('a-floors', name, 'floor');
    options.offer('a-rooms', name, 'room');
    options.offer('a-points', name, 'point');
  }

  kPlace.forEach(function (k) {
    form.elements[k].addEventListener('input', function () {
      if (!conflict.hidden) ask();
      if (k === 'object') offerPlaces();
    });
  });

  document.getElementById('assign').addEventListener('click', function () {
    if (!options.ready()) { kvd.showError(t('select_first')); return; }
    document.getElementById('assign-what').textContent = options.targetText();
    ask();
    if (!form.elements.object.value && options.object()) form.elements.object.value = options.object();
    form.elements.reason.value = '';
    offerPlaces();
    dialog.showModal();
  });
  document.getElementById('assign-cancel').addEventListener('click', function () { dialog.close(); });

  function refused(err, move) {
    if (err.status === 409 && err.code === 'records_elsewhere' && !move) {
      say([err.message, kvd.el('strong', null, t('assign_move_question'))]);
      okButton.hidden = true;
      moveButton.hidden = false;
      moveButton.focus();
      return;
    }
    if (err.status === 404 && err.code === 'no_object') {
      var name = form.elements.object.value.trim();
      say([t('assign_no_object', { name: name })]);
      form.elements.new_name.value = name;
      fresh.hidden = false;
      okButton.hidden = true;
      createButton.hidden = false;
      form.elements.new_address.focus();
      return;
    }
    say([err.message]);
  }

  function assign(move) {
    var body = {};
    kPlace.forEach(function (k) { body[k] = form.elements[k].value.trim(); });
    body.move = move;
    kvd.withReason(body, form);
    if (!body.object) { say([t('error_object_name_missing')]); return; }
    var ready = move && pending ? Promise.resolve(pending) : options.target();
    ready.then(function (what) {
      pending = what;
      return kvd.post('/api/assign', Object.assign(body, what));
    }).then(function (a) {
      dialog.close();
      return options.onAssigned(a);
    }).catch(function (err) { refused(err, move); });
  }

  function create() {
    var name = form.elements.new_name.value.trim();
    if (!name) { say([t('error_object_name_missing')]); form.elements.new_name.focus(); return; }
    var object = kvd.withReason({ name: name, address: form.elements.new_address.value.trim() }, form);
    kvd.post('/api/objects', object).then(function () {
      form.elements.object.value = name;
      ask();
      assign(false);
    }, function (err) { say([err.message]); });
  }

  // Enter in a field submits by the first submit button, which may be
  // hidden: the button shown stands for it.
  form.addEventListener('submit', function (e) {
    e.preventDefault();
    var by = e.submitter && !e.submitter.hidden ? e.submitter
      : [createButton, moveButton, okButton].filter(function (b) { return !b.hidden; })[0];
    if (by === createButton) create();
    else assign(by === moveButton);
  });
}
