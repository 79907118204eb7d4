// The placements of the object page: which device stood at which point of
// the object from when to when, as the protocol names its measurement
// periods. "Correct" changes the device, the point or the period,
// "Remove" asks first; the records stay at their points either way. After
// a change the charts and the protocol follow (serve_object.js listens).
(function () {
  'use strict';
  var t = kvd.t, o = kvd.data;
  var body = document.querySelector('#placements tbody');
  var result = document.getElementById('placement-result');
  var editDialog = document.getElementById('placement-dialog');
  var editForm = document.getElementById('placement-form');
  var editError = document.getElementById('placement-error');
  var removeDialog = document.getElementById('placement-remove-dialog');
  var removeForm = document.getElementById('placement-remove-form');
  var removeError = document.getElementById('placement-remove-error');
  var chosen = null;

  function whatText(p) {
    return t('placement_what', {
      device: p.device, place: kvd.placeText(p, false),
      from: kvd.labDate(p.from), to: kvd.labDate(p.to)
    });
  }

  function button(text, label, action) {
    var b = kvd.el('button', null, text);
    b.type = 'button';
    b.setAttribute('aria-label', label);
    b.addEventListener('click', action);
    return b;
  }

  // Correcting and removing are offered to a role that may change them.
  var editable = !!editDialog;
  function rowOf(p) {
    var cells = [String(p.device), p.floor, p.room, p.point, kvd.labDate(p.from), kvd.labDate(p.to)];
    if (editable) {
      var tools = kvd.el('span', 'row-tools');
      tools.appendChild(button(t('placement_correct'), t('placement_correct') + ': ' + whatText(p), function () { correct(p); }));
      tools.appendChild(button(t('remove'), t('remove') + ': ' + whatText(p), function () { remove(p); }));
      cells.push(tools);
    }
    var row = kvd.row(cells);
    row.cells[0].className = 'n';
    row.cells[4].className = row.cells[5].className = 'date';
    row.setAttribute('data-placement', String(p.id));
    return row;
  }

  function show() {
    body.replaceChildren();
    (o.placements || []).forEach(function (p) { body.appendChild(rowOf(p)); });
    if ((o.placements || []).length === 0) {
      var empty = kvd.row([t('placements_none')]);
      empty.cells[0].colSpan = editable ? 7 : 6;
      body.appendChild(empty);
    }
  }

  // The object as the server has it now; the page's charts and protocol
  // are told.
  function changed(message) {
    return kvd.get('/api/objects/' + encodeURIComponent(o.id)).then(function (fresh) {
      o.placements = fresh.placements;
      o.points = fresh.points;
      show();
      result.textContent = message;
      document.dispatchEvent(new Event('kvd:placements'));
    });
  }

  // The floors, rooms and points of the object, offered while typing.
  function offer() {
    [['pl-floors', 'floor'], ['pl-rooms', 'room'], ['pl-points', 'point']].forEach(function (l) {
      var box = document.getElementById(l[0]), seen = {};
      box.replaceChildren();
      (o.points || []).forEach(function (p) {
        if (p[l[1]] && !seen[p[l[1]]]) { seen[p[l[1]]] = true; box.appendChild(kvd.option(p[l[1]])); }
      });
    });
  }

  function correct(p) {
    chosen = p;
    kvdFields.clear(editForm, editError);
    offer();
    editForm.elements.device.value = String(p.device);
    ['floor', 'room', 'point'].forEach(function (k) { editForm.elements[k].value = p[k]; });
    editForm.elements.from.value = kvd.labDate(p.from);
    editForm.elements.to.value = kvd.labDate(p.to);
    editForm.elements.reason.value = '';
    editDialog.showModal();
  }

  if (editable) editForm.addEventListener('submit', function (e) {
    e.preventDefault();
    kvdFields.clear(editForm, editError);
    var device = editForm.elements.device.value.trim();
    var change = {
      // Digits go as the number; anything else as typed, which the server
      // refuses at the field.
      device: /^\d{1,10}$/.test(device) ? Number(device) : device,
      floor: editForm.elements.floor.value.trim(), room: editForm.elements.room.value.trim(),
      point: editForm.elements.point.value.trim(),
      from: editForm.elements.from.value.trim(), to: editForm.elements.to.value.trim()
    };
    kvd.post('/api/placements/' + encodeURIComponent(chosen.id), kvd.withReason(change, editForm)).then(function (answer) {
      editDialog.close();
      return changed(t('placement_corrected', { what: whatText(answer) }));
    }).catch(function (err) { kvdFields.refusal(editForm, err, editError); });
  });

  function remove(p) {
    chosen = p;
    kvdFields.clear(removeForm, removeError);
    document.getElementById('placement-remove-what').textContent = whatText(p);
    removeForm.elements.reason.value = '';
    removeDialog.showModal();
  }

  if (editable) removeForm.addEventListener('submit', function (e) {
    e.preventDefault();
    var p = chosen;
    kvd.post('/api/placements/' + encodeURIComponent(p.id) + '/remove', kvd.withReason({}, removeForm)).then(function () {
      removeDialog.close();
      return changed(t('placement_removed', { what: whatText(p) }));
    }).catch(function (err) { kvdFields.refusal(removeForm, err, removeError); });
  });

  document.querySelectorAll('#placement-dialog .cancel, #placement-remove-dialog .cancel').forEach(function (b) {
    b.addEventListener('click', function () { b.closest('dialog').close(); });
  });

  show();
})();
