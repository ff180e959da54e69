// The Messages panel: the garden's console, line for line as it prints
// them, and the page's own word in its own colour. On a small screen the
// panel is folded away, and opens when the garden prints its help or fails.
const panel = document.getElementById('messages');
const log = document.getElementById('console');
const HELP_FIRST_LINE = 'Keyboard commands:';

const small = window.matchMedia('(max-width: 720px), (max-height: 520px)');
panel.open = !small.matches;

export function openMessages() {
  panel.open = true;
}

// kind: 'out' (the garden's standard output), 'err' (its standard error)
// or 'page'.
export function showLine(text, kind) {
  const line = document.createElement('span');
  line.className = kind;
  line.textContent = text + '\n';
  const atBottom = log.scrollHeight - log.scrollTop - log.clientHeight < 4;
  log.append(line);
  if (atBottom) log.scrollTop = log.scrollHeight;
  if (kind === 'err' || (kind === 'out' && text === HELP_FIRST_LINE)) openMessages();
}

// The console as start-up left it, marked once the garden has started; a
// fresh garden, or one put back to a moment of its own, takes the console
// back to the lines it had then, as a reload would show it.
let startLines = 0;
export const lineCount = () => log.childNodes.length;
export function markStart() {
  startLines = lineCount();
}
export const linesAtStart = () => startLines;
export function backTo(lines) {
  while (log.childNodes.length > lines) log.lastChild.remove();
}

// The lines from `from` up to `to`, as [kind, text] each.
export const linesBetween = (from, to) =>
  [...log.childNodes].slice(from, to).map((line) => [line.className, line.textContent.replace(/\n$/, '')]);
