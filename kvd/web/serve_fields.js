// What the forms of the instruments and object pages share: a refusal of
// the server shown at the field it names, in the page's language. The
// server reads and checks every date and number: the pages only show what
// it answers.
var kvdFields = (function () {
  'use strict';

  // The message element of a field: the field-error among those its
  // aria-describedby names (a help text may be named beside it).
  function messageOf(field) {
    var ids = field && field.getAttribute('aria-describedby');
    var found = null;
    (ids ? ids.split(/\s+/) : []).forEach(function (id) {
      var e = document.getElementById(id);
      if (e && e.classList.contains('field-error')) found = e;
    });
    return found;
  }

  function clear(form, box) {
    Array.prototype.forEach.call(form.elements, function (f) {
      var m = messageOf(f);
      if (m) { m.textContent = ''; m.hidden = true; }
      f.removeAttribute('aria-invalid');
    });
    if (box) { box.textContent = ''; box.hidden = true; }
  }

  // The refusal `e` at the field its params name, which gets the focus;
  // one that names no field of the form goes to `box`.
  function refusal(form, e, box) {
    var name = e && e.params && e.params.field;
    var field = name ? form.elements[name] : null;
    var message = messageOf(field);
    if (!message) {
      box.textContent = e && e.message ? e.message : String(e);
      box.hidden = false;
      return;
    }
    message.textContent = e.message;
    message.hidden = false;
    field.setAttribute('aria-invalid', 'true');
    field.focus();
  }

  return { clear: clear, refusal: refusal };
})();
