// The object's issued protocols: each with its number, date, signers and
// status, marked when the archive's data would now give other results,
// and links to its page as issued (and as PDF when the server prints).
// An approver issues a new one, signed by themselves; the archive decides,
// and its refusal is shown in the dialog.
(function () {
  'use strict';
  var t = kvd.t, el = kvd.el, o = kvd.data;
  var body = document.querySelector('#protocols tbody');
  var result = document.getElementById('protocol-result');
  var protocols = [];

  function signersText(p) {
    return p.signers.map(function (s) { return s.name + (s.position ? ' (' + s.position + ')' : ''); }).join(', ');
  }

  function statusCell(p) {
    var cell = el('span', 'protocol-status');
    cell.appendChild(el('span', null, p.replaced_by ? t('protocol_replaced_by', { number: p.replaced_by })
      : t('protocol_in_force')));
    if (p.replaces) cell.appendChild(el('span', null, t('protocol_replaces', { number: p.replaces })));
    if (p.data_changed) cell.appendChild(el('span', 'changed', t('protocol_data_changed')));
    return cell;
  }

  function links(p) {
    var tools = el('span', 'row-tools');
    var html = kvd.link('/api/protocols/' + encodeURIComponent(p.id), t('protocol_html'));
    html.setAttribute('aria-label', t('protocol_html_of', { number: p.number }));
    tools.appendChild(html);
    if (kvd.data.pdf) {
      var pdf = kvd.link('/api/protocols/' + encodeURIComponent(p.id) + '/pdf', t('protocol_pdf'));
      pdf.setAttribute('download', '');
      pdf.setAttribute('aria-label', t('protocol_pdf_of', { number: p.number }));
      tools.appendChild(pdf);
    }
    return tools;
  }

  function show() {
    body.replaceChildren();
    protocols.forEach(function (p) {
      var row = kvd.row([p.number, p.issued_on, signersText(p), statusCell(p), p.records, links(p)]);
      ['number', 'issued_on', 'signers', 'status'].forEach(function (k, i) {
        row.cells[i].setAttribute('data-label', t('protocol_' + k));
      });
      row.cells[1].className = 'date';
      row.cells[4].className = 'n';
      row.cells[4].setAttribute('data-label', t('records_count'));
      row.cells[5].setAttribute('data-label', t('protocol_open'));
      row.setAttribute('data-number', p.number);
      if (p.replaced_by) row.className = 'inactive';
      body.appendChild(row);
    });
    if (protocols.length === 0) {
      var empty = kvd.row([t('protocols_none')]);
      empty.cells[0].colSpan = 6;
      body.appendChild(empty);
    }
  }

  function load() {
    return kvd.get('/api/objects/' + encodeURIComponent(o.id) + '/protocols').then(function (list) {
      protocols = list;
      show();
    }, kvd.showError);
  }

  // --- issuing ----------------------------------------------------------

  var dialog = document.getElementById('issue-dialog');
  var form = document.getElementById('issue-form');
  var box = document.getElementById('issue-error');

  // A refusal in the dialog; the records outside verification listed
  // under it.
  function refused(err) {
    kvdFields.refusal(form, err, box);
    if (err.code === 'unverified' && Array.isArray(err.params.records)) {
      var list = el('ul', 'refused-records');
      err.params.records.forEach(function (r) { list.appendChild(el('li', null, r)); });
      box.appendChild(list);
    }
  }

  function open() {
    kvdFields.clear(form, box);
    form.reset();
    document.getElementById('issue-h').textContent = t('protocol_issue_title', { name: o.name });
    document.getElementById('issue-help').textContent =
      t('protocol_issue_help', { name: kvd.me && kvd.me.name ? kvd.me.name : '' });
    form.elements.lang.value = kvd.lang === 'en' ? 'en' : 'ru';
    var replaces = form.elements.replaces;
    replaces.replaceChildren(kvd.option('', t('protocol_replaces_none')));
    protocols.filter(function (p) { return !p.replaced_by; }).forEach(function (p) {
      replaces.appendChild(kvd.option(p.number, p.number + ' — ' + p.issued_on));
    });
    dialog.showModal();
  }

  if (dialog) {
    document.getElementById('protocol-issue').addEventListener('click', open);
    dialog.querySelector('.cancel').addEventListener('click', function () { dialog.close(); });
    form.addEventListener('submit', function (e) {
      e.preventDefault();
      kvdFields.clear(form, box);
      var f = form.elements;
      var request = { lang: f.lang.value, accept_unverified: f.accept_unverified.checked };
      if (f.replaces.value) request.replaces = f.replaces.value;
      var ok = document.getElementById('issue-ok');
      ok.disabled = true;
      kvd.post('/api/objects/' + encodeURIComponent(o.id) + '/protocols', kvd.withReason(request, form))
        .then(function (issued) {
          ok.disabled = false;
          dialog.close();
          result.textContent = t('protocol_issued_done', { number: issued.number });
          document.dispatchEvent(new CustomEvent('kvd:protocol-issued'));
          return load();
        }, function (err) {
          ok.disabled = false;
          refused(err);
        });
    });
  }

  load();
})();
