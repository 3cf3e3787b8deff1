// The form of a page opened without a usable access code: only a field to paste one.

import { tokenFromText } from "./api.js";

// Shows the form; a pasted code (or a link holding one) is kept under `key` and the
// page starts again with it.
export function bindAccessForm(key) {
    const section = document.getElementById("access");
    section.hidden = false;
    const form = document.getElementById("access-form");
    form.onsubmit = (e) => {
        e.preventDefault();
        const token = tokenFromText(document.getElementById("access-token").value);
        if (!token) return;
        localStorage.setItem(key, token);
        location.reload();
    };
}
