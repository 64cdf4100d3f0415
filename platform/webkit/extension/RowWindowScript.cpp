#include "platform/webkit/extension/RowWindowScript.h"

namespace kestrova::platform {

// The window over the outline's rows, as the page's own script. The
// document holds the customers' blocks of rows around the part of the page
// in sight; a filler row above and one below stand for the others at their
// true height, and a row of no height holds, out of sight, the cells that
// decide each column's width (the widest of the whole page) and the shown
// divisions of blocks out of the window, so that the columns are as wide as
// with every row there. Blocks come from the page text through `bridge`,
// which also keeps every block's height. What the handlers set on a block
// is kept, and set again when the block comes back.
//
// Node numbering: block k's first node is its customer's row; its other
// nodes follow up to the next block's. Rows of the window's own (fillers,
// the measuring row, kept divisions) carry `kestrovaOwn`.
const char* const kRowWindowScript = R"(
(function () {
    let current = null;
    let listening = false;
    const listen = () => {
        if (listening) {
            return;
        }
        listening = true;
        const update = () => {
            if (current) {
                current.update();
            }
        };
        window.addEventListener('scroll', update, {passive: true});
        window.addEventListener('resize', update, {passive: true});
        document.addEventListener('keydown', event => {
            if (current) {
                current.key(event);
            }
        }, true);
        // A press of the pointer sets where Tab goes on from.
        document.addEventListener('mousedown', () => {
            if (current) {
                current.forgetFocus();
            }
        }, true);
    };
    const hidden = 'height:0;overflow:hidden;visibility:hidden;margin:0;padding:0;border:0';

    function open(bridge) {
        let tbody = null;
        let table = null;
        let reference = null;  // a customer's row, detached: its cells' attributes
        let headRows = 0;
        let rowsPerBlock = 1;
        let cellCount = 1;
        let topFiller = null;
        let bottomFiller = null;
        let measure = null;
        let first = 0;
        let last = 0;
        let count = 0;
        const nodes = new Map();
        const changes = new Map();
        const ghosts = new Map();
        let lostFocus = null;

        const fail = (what, error) => bridge.failed(what + ': ' + (error && error.message || error));
        const isCustomerRow = node => node.nodeType == 1 && node.tagName == 'TR' &&
            !node.kestrovaOwn && node.querySelector('img[name^="imgCustomer"]') !== null;
        const rowsOf = list => list.filter(node => node.nodeType == 1 && node.tagName == 'TR');
        const blockOfNode = node => {
            while (node && node.parentNode !== tbody) {
                node = node.parentNode;
            }
            for (; node; node = node.previousSibling) {
                if (node.kestrovaBlock !== undefined) {
                    return node.kestrovaBlock;
                }
                if (node.kestrovaOwn) {
                    return -1;
                }
            }
            return -1;
        };
        const filler = () => {
            const row = document.createElement('tr');
            row.kestrovaOwn = true;
            row.setAttribute('aria-hidden', 'true');
            const cell = document.createElement('td');
            cell.colSpan = cellCount;
            cell.style.cssText = 'padding:0;border:0;height:0px';
            row.appendChild(cell);
            return row;
        };
        const setHeight = (row, pixels) => {
            row.firstChild.style.height = Math.max(0, pixels) + 'px';
        };
        // Markup of blocks [from, to) as nodes, grouped by block.
        const parse = (from, to) => {
            const holder = document.createElement('tbody');
            holder.innerHTML = bridge.markup(from, to);
            const blocks = [];
            for (const node of Array.from(holder.childNodes)) {
                if (isCustomerRow(node)) {
                    blocks.push([node]);
                } else if (blocks.length) {
                    blocks[blocks.length - 1].push(node);
                }
            }
            if (blocks.length != to - from) {
                throw new Error('blocks ' + from + ' to ' + to + ' hold ' + blocks.length);
            }
            return blocks;
        };
        // A copy kept out of sight has no ids or names, and boxes of the
        // pictures' size instead of pictures: no handler or lookup finds it.
        const strip = root => {
            for (const element of root.querySelectorAll('[id], [name]')) {
                element.removeAttribute('id');
                element.removeAttribute('name');
            }
            for (const picture of Array.from(root.querySelectorAll('img'))) {
                const box = document.createElement('span');
                box.style.cssText = 'display:inline-block;vertical-align:baseline;width:' +
                    picture.getAttribute('width') + 'px;height:' +
                    picture.getAttribute('height') + 'px';
                picture.replaceWith(box);
            }
        };
        const outOfSight = children => {
            const holder = document.createElement('div');
            holder.style.cssText = hidden;
            for (const child of children) {
                holder.appendChild(child.cloneNode(true));
            }
            strip(holder);
            return holder;
        };
        const ownRow = () => {
            const row = document.createElement('tr');
            row.kestrovaOwn = true;
            row.setAttribute('aria-hidden', 'true');
            return row;
        };

        // The cells that decide each column's width, from the blocks whose
        // cells are widest in the whole page.
        const widestCells = new Map();
        const buildMeasure = () => {
            const columns = bridge.widest();
            const cellsOf = new Map();
            for (const k of columns.flat()) {
                if (k < count && !cellsOf.has(k)) {
                    cellsOf.set(k, widestCells.get(k) || parse(k, k + 1)[0][0].cells);
                }
            }
            widestCells.clear();
            cellsOf.forEach((cells, k) => widestCells.set(k, cells));
            const row = ownRow();
            for (let c = 0; c < reference.cells.length; ++c) {
                const cell = reference.cells[c].cloneNode(false);
                const blocks = columns[c] && columns[c].length ? columns[c] : [];
                cell.appendChild(outOfSight(Array.from(reference.cells[c].childNodes)));
                for (const k of blocks) {
                    if (!cellsOf.has(k)) {
                        continue;
                    }
                    const from = cellsOf.get(k)[c];
                    if (from) {
                        cell.appendChild(outOfSight(Array.from(from.childNodes)));
                    }
                }
                row.appendChild(cell);
            }
            if (measure) {
                measure.replaceWith(row);
            } else {
                topFiller.after(row);
            }
            measure = row;
        };

        const topOf = node => node.getBoundingClientRect().top;
        // The blocks in the window, measured as they stand.
        const measureWindow = () => {
            let next = bottomFiller ? topOf(bottomFiller) : 0;
            for (let k = last - 1; k >= first; --k) {
                const top = topOf(nodes.get(k)[0]);
                const height = next - top;
                if (Math.abs(height - bridge.of(k)) >= 1 / 128) {
                    bridge.height(k, height);
                }
                next = top;
            }
        };
        const blocksTop = () => topOf(topFiller) + window.scrollY;
        const setFillers = () => {
            setHeight(topFiller, bridge.above(first));
            setHeight(bottomFiller, bridge.total() - bridge.above(last));
        };
        const setRowIndexes = (k, list) => {
            rowsOf(list).forEach((row, j) =>
                row.setAttribute('aria-rowindex', String(headRows + k * rowsPerBlock + j + 1)));
        };
        const setRowCount = () => table.setAttribute('aria-rowcount',
                                                     String(headRows + count * rowsPerBlock));
        const topDivisions = list => {
            const found = [];
            for (const row of rowsOf(list)) {
                for (const division of row.querySelectorAll('div[id]')) {
                    if (!division.parentElement.closest('div[id]') ||
                        !row.contains(division.parentElement.closest('div[id]'))) {
                        found.push(division);
                    }
                }
            }
            return found;
        };
        const findIn = (k, key) => {
            const byId = document.getElementById(key);
            if (byId && blockOfNode(byId) == k) {
                return byId;
            }
            for (const element of document.getElementsByName(key)) {
                if (blockOfNode(element) == k) {
                    return element;
                }
            }
            return null;
        };
        const apply = (k, key, property, value) => {
            let element = findIn(k, key);
            if (!element) {
                topDivisions(nodes.get(k)).forEach(division => bridge.build(division));
                element = findIn(k, key);
            }
            if (!element) {
                return;
            }
            if (property == 'display') {
                bridge.build(element);
                element.style.display = value;
            } else if (property == 'src') {
                element.src = value;
            } else if (property == 'className') {
                element.className = value;
            }
        };
        const record = (k, key, property, value) => {
            if (!changes.has(k)) {
                changes.set(k, new Map());
            }
            const kept = changes.get(k);
            const name = key + '\0' + property;
            if (kept.has(name)) {
                kept.get(name)[2] = value;
            } else {
                kept.set(name, [key, property, value]);
            }
        };

        // A block leaves the document: what it shows is kept out of sight
        // for the columns' widths, and a focus in it is remembered.
        const remove = k => {
            const list = nodes.get(k);
            const focused = document.activeElement;
            if (focused && list.some(node => node.contains(focused))) {
                lostFocus = {block: k, name: focused.getAttribute('name')};
            }
            for (const division of topDivisions(list)) {
                if (division.style.display != 'none' && division.firstChild) {
                    const row = ownRow();
                    const cell = division.closest('td').cloneNode(false);
                    cell.appendChild(outOfSight([division]));
                    row.appendChild(cell);
                    measure.after(row);
                    ghosts.set(k, row);
                }
                bridge.absent(division.id);
            }
            list.forEach(node => node.remove());
            nodes.delete(k);
        };
        // Blocks [from, to) come into the document before `before`, as the
        // handlers left them.
        const insert = (from, to, before) => {
            if (from >= to) {
                return;
            }
            const blocks = parse(from, to);
            const fragment = document.createDocumentFragment();
            blocks.forEach((list, i) => {
                list[0].kestrovaBlock = from + i;
                nodes.set(from + i, list);
                setRowIndexes(from + i, list);
                list.forEach(node => fragment.appendChild(node));
            });
            tbody.insertBefore(fragment, before);
            blocks.forEach((list, i) => {
                const k = from + i;
                topDivisions(list).forEach(division => bridge.present(division.id));
                if (ghosts.has(k)) {
                    ghosts.get(k).remove();
                    ghosts.delete(k);
                }
                for (const [key, property, value] of (changes.get(k) || new Map()).values()) {
                    apply(k, key, property, value);
                }
            });
            bridge.buttons(tbody);
        };

        // The window becomes [from, to), the block at the top of the view
        // staying where it is.
        const move = (from, to) => {
            const viewTop = window.scrollY - blocksTop();
            const anchor = Math.min(bridge.at(viewTop), Math.max(count - 1, 0));
            const offset = viewTop - bridge.above(anchor);
            for (let k = first; k < last; ++k) {
                if (k < from || k >= to) {
                    remove(k);
                }
            }
            if (from >= last || to <= first) {
                insert(from, to, bottomFiller);
            } else {
                if (from < first) {
                    insert(from, first, nodes.get(first)[0]);
                }
                insert(last, to, bottomFiller);
            }
            first = from;
            last = to;
            setFillers();
            measureWindow();
            setFillers();
            const wanted = blocksTop() + bridge.above(anchor) + offset;
            if (Math.abs(window.scrollY - wanted) >= 0.5 && count > 0) {
                window.scrollTo(window.scrollX, wanted);
            }
        };

        const update = () => {
            if (!tbody || !tbody.isConnected) {
                return;
            }
            try {
                measureWindow();
                setFillers();
                const top = window.scrollY - blocksTop();
                const height = window.innerHeight;
                const clamp = k => Math.max(0, Math.min(count, k));
                const seenFirst = clamp(bridge.at(top));
                const seenLast = clamp(bridge.at(top + height) + 1);
                const wantFirst = clamp(bridge.at(top - height));
                const wantLast = clamp(bridge.at(top + 2 * height) + 1);
                const far = last - first > 3 * (wantLast - wantFirst) + 50;
                if (seenFirst < first || seenLast > last || far) {
                    move(wantFirst, wantLast);
                }
                bridge.moved();
            } catch (error) {
                fail('moving the rows in view', error);
            }
        };

        // Tab and Shift+Tab go on from the picture that had the focus, also
        // when its rows left the window; the next picture is in the
        // document before the focus moves to it.
        const key = event => {
            if (event.key != 'Tab' || event.altKey || event.ctrlKey || event.metaKey || !tbody) {
                return;
            }
            try {
                let focused = document.activeElement;
                if ((!focused || focused === document.body) && lostFocus) {
                    const k = lostFocus.block;
                    const name = lostFocus.name;
                    lostFocus = null;
                    if (k < first || k >= last) {
                        move(Math.max(0, k - 5), Math.min(count, k + 6));
                    }
                    const picture = name ? findIn(k, name) : null;
                    if (picture) {
                        picture.focus();
                    }
                    focused = document.activeElement;
                }
                const k = focused ? blockOfNode(focused) : -1;
                if (k < 0) {
                    return;
                }
                if (event.shiftKey && k <= first && first > 0) {
                    move(Math.max(0, first - 5), last);
                } else if (!event.shiftKey && k >= last - 1 && last < count) {
                    move(first, Math.min(count, last + 5));
                }
            } catch (error) {
                fail('moving the rows to the focus', error);
            }
        };

        return {
            // Takes the blocks the parser wrote (`written` of them) as the
            // window; says whether it could.
            adopt(written) {
                const picture = document.querySelector('img[name^="imgCustomer"]');
                const row = picture ? picture.closest('tr') : null;
                if (!row || !row.parentNode || !row.closest('table')) {
                    return false;
                }
                tbody = row.parentNode;
                table = row.closest('table');
                const blocks = [];
                for (let node = row; node; node = node.nextSibling) {
                    if (isCustomerRow(node)) {
                        blocks.push([node]);
                    } else if (blocks.length) {
                        blocks[blocks.length - 1].push(node);
                    }
                }
                if (blocks.length != written) {
                    tbody = null;
                    return false;
                }
                headRows = row.rowIndex;
                rowsPerBlock = Math.max(1, rowsOf(blocks[0]).length);
                cellCount = Array.from(row.cells).reduce((n, cell) => n + cell.colSpan, 0);
                reference = row.cloneNode(true);
                count = Math.max(written, bridge.count());
                topFiller = filler();
                tbody.insertBefore(topFiller, row);
                bottomFiller = filler();
                const lastNode = blocks[blocks.length - 1].slice(-1)[0];
                tbody.insertBefore(bottomFiller, lastNode.nextSibling);
                // The usual height is the most common among those written.
                const heights = new Map();
                let next = topOf(bottomFiller);
                const measured = [];
                for (let k = blocks.length - 1; k >= 0; --k) {
                    const top = topOf(blocks[k][0]);
                    measured[k] = next - top;
                    next = top;
                    heights.set(measured[k], (heights.get(measured[k]) || 0) + 1);
                }
                let usual = measured[0];
                for (const [height, times] of heights) {
                    if (times > heights.get(usual)) {
                        usual = height;
                    }
                }
                bridge.usual(usual);
                blocks.forEach((list, k) => {
                    list[0].kestrovaBlock = k;
                    nodes.set(k, list);
                    setRowIndexes(k, list);
                    topDivisions(list).filter(division => !division.firstChild)
                        .forEach(division => bridge.present(division.id));
                    if (measured[k] != usual) {
                        bridge.height(k, measured[k]);
                    }
                });
                for (const heading of Array.from(table.rows).slice(0, headRows)) {
                    heading.setAttribute('aria-rowindex', String(heading.rowIndex + 1));
                }
                first = 0;
                last = blocks.length;
                setRowCount();
                buildMeasure();
                setFillers();
                current = this;
                listen();
                update();
                return true;
            },
            // More blocks have come; `widest` says whether the widest
            // cells changed.
            grow(known, widest) {
                if (!tbody) {
                    return;
                }
                try {
                    count = known;
                    setRowCount();
                    if (widest) {
                        buildMeasure();
                    }
                    setFillers();
                    update();
                } catch (error) {
                    fail('adding rows to the window', error);
                }
            },
            update,
            key,
            forgetFocus() {
                lostFocus = null;
            },
            // A handler set a property of an element of the window: its
            // block keeps it. Gives the block, or -1.
            changed(key, property, value) {
                const element = document.getElementById(key) || document.getElementsByName(key)[0];
                const k = element ? blockOfNode(element) : -1;
                if (k >= 0) {
                    record(k, key, property, value);
                }
                return k;
            },
            // What the handlers set on a block before the page was put back.
            restore(k, key, property, value) {
                if (k < 0 || k >= count) {
                    return false;
                }
                record(k, key, property, value);
                if (k >= first && k < last) {
                    apply(k, key, property, value);
                    rowsOf(nodes.get(k)).forEach(row => bridge.buttons(row));
                }
                return true;
            },
            // Where the view stands: the block at its top, and how far below
            // that block's top.
            place() {
                const top = window.scrollY - blocksTop();
                const k = Math.max(0, Math.min(bridge.at(top), count - 1));
                return [k, top - bridge.above(k)];
            },
            goTo(k, offset) {
                if (k >= count) {
                    return false;
                }
                move(Math.max(0, k - 5), Math.min(count, k + 60));
                window.scrollTo(window.scrollX, blocksTop() + bridge.above(k) + offset);
                update();
                return true;
            },
            stop() {
                if (current === this) {
                    current = null;
                }
            },
        };
    }
    return {open};
})())";

}  // namespace kestrova::platform
