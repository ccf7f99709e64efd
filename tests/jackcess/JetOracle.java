// Jackcess as the strict reader of the files we write: it finds tables through the catalogue's
// containers and walks indexes as B-trees, where mdbtools and mdb-reader only scan data pages.
// tst_jackcess runs it; every subcommand prints a deterministic summary on standard output and,
// on any fault, one line on standard error and exit status 1.
//
//   walk FILE          every table and index, read-only; the bank's keys and look-ups
//   edit FILE          (Jet 4) adds a problem, updates one, deletes a row of each table, then walk
//   rows FILE TABLE    a table's rows in scan order, one canonical line each (for diagnostics)
//   make-teacher FILE [--problems N] [--no-detail-index]
//                      an Access 2000 bank as a teacher keeps one, made by Jackcess (20 problems)
//   dump-teacher FILE  what a save must keep of such a bank
//
// A row's canonical line: its values in column order joined by a tab; NULL is \N, a Boolean 1 or
// 0, an integer in decimal, text with \ tab CR LF escaped as \\ \t \r \n. The table hash is the
// SHA-256 of the lines, each ended by LF, in UTF-8: tst_jackcess computes the same from our reader.

import com.healthmarketscience.jackcess.Column;
import com.healthmarketscience.jackcess.CursorBuilder;
import com.healthmarketscience.jackcess.DataType;
import com.healthmarketscience.jackcess.Database;
import com.healthmarketscience.jackcess.DatabaseBuilder;
import com.healthmarketscience.jackcess.Index;
import com.healthmarketscience.jackcess.IndexBuilder;
import com.healthmarketscience.jackcess.IndexCursor;
import com.healthmarketscience.jackcess.PropertyMap;
import com.healthmarketscience.jackcess.Relationship;
import com.healthmarketscience.jackcess.Row;
import com.healthmarketscience.jackcess.RowId;
import com.healthmarketscience.jackcess.Table;
import com.healthmarketscience.jackcess.TableBuilder;

import java.io.File;
import java.io.FileDescriptor;
import java.io.FileOutputStream;
import java.io.IOException;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.security.MessageDigest;
import java.time.LocalDateTime;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Date;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.TreeMap;
import java.util.TreeSet;

public final class JetOracle {
    /** A fault in the file: reported as one line, exit status 1. */
    static final class Fault extends Exception {
        private static final long serialVersionUID = 1L;
        Fault(String message) { super(message); }
    }

    static final PrintStream out = new PrintStream(new FileOutputStream(FileDescriptor.out), true, StandardCharsets.UTF_8);
    static final PrintStream err = new PrintStream(new FileOutputStream(FileDescriptor.err), true, StandardCharsets.UTF_8);
    static final String[] SYSTEM_TABLES = {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"};
    // The answer key of the program's first 20 positions (testing/grading.h).
    static final int[] KEY = {3, 1, 4, 2, 2, 3, 1, 2, 4, 3, 4, 2, 3, 2, 2, 3, 3, 4, 3, 2};

    public static void main(String[] args) {
        // Before any Jackcess class loads: no log lines on standard error, and Jet 3 text in the
        // code page our writer stores (its header says 1251; Jackcess would take Windows-1252).
        System.setProperty("org.apache.commons.logging.Log", "org.apache.commons.logging.impl.NoOpLog");
        System.setProperty("com.healthmarketscience.jackcess.charset.VERSION_3", "windows-1251");
        try {
            if (args.length == 2 && args[0].equals("walk"))
                walk(new File(args[1]));
            else if (args.length == 2 && args[0].equals("edit"))
                edit(new File(args[1]));
            else if (args.length == 3 && args[0].equals("rows"))
                rows(new File(args[1]), args[2]);
            else if (args.length >= 2 && args[0].equals("make-teacher"))
                makeTeacher(args);
            else if (args.length == 2 && args[0].equals("dump-teacher"))
                dumpTeacher(new File(args[1]));
            else {
                err.println("usage: JetOracle walk|edit|dump-teacher FILE, rows FILE TABLE, "
                                   + "make-teacher FILE [--problems N] [--no-detail-index]");
                System.exit(2);
            }
        } catch (Fault e) {
            err.println("jackcess: " + e.getMessage());
            System.exit(1);
        } catch (Exception e) {
            // Jackcess's own refusal ("Did not find required parent table id", ...), with where.
            StackTraceElement[] at = e.getStackTrace();
            err.println("jackcess: " + e + (at.length > 0 ? " at " + at[0] : ""));
            System.exit(1);
        }
    }

    static Database openReadOnly(File file) throws IOException {
        return new DatabaseBuilder(file).setReadOnly(true).open();
    }

    // ---- canonical rows -------------------------------------------------------------------

    static String escape(String s) {
        StringBuilder b = new StringBuilder(s.length() + 8);
        for (int i = 0; i < s.length(); ++i) {
            char c = s.charAt(i);
            switch (c) {
            case '\\': b.append("\\\\"); break;
            case '\t': b.append("\\t"); break;
            case '\n': b.append("\\n"); break;
            case '\r': b.append("\\r"); break;
            default: b.append(c);
            }
        }
        return b.toString();
    }

    static String canonical(Object v) {
        if (v == null)
            return "\\N";
        if (v instanceof Boolean)
            return ((Boolean) v) ? "1" : "0";
        if (v instanceof Byte || v instanceof Short || v instanceof Integer || v instanceof Long)
            return v.toString();
        if (v instanceof String)
            return escape((String) v);
        if (v instanceof byte[]) {
            StringBuilder b = new StringBuilder();
            for (byte x : (byte[]) v)
                b.append(String.format("%02x", x & 0xff));
            return b.toString();
        }
        // Dates, numbers with fractions, GUIDs: Java's own text, compared only with Jackcess.
        return escape(v.toString());
    }

    static String canonicalRow(Table t, Row r) {
        StringBuilder b = new StringBuilder();
        boolean first = true;
        for (Column c : t.getColumns()) {
            if (!first)
                b.append('\t');
            first = false;
            b.append(canonical(r.get(c.getName())));
        }
        return b.toString();
    }

    static String hex(byte[] bytes) {
        StringBuilder b = new StringBuilder();
        for (byte x : bytes)
            b.append(String.format("%02x", x & 0xff));
        return b.toString();
    }

    static String columnsText(Table t) {
        StringBuilder b = new StringBuilder();
        for (Column c : t.getColumns())
            b.append(b.length() > 0 ? "," : "").append(c.getName()).append(':').append(c.getType());
        return b.toString();
    }

    // ---- walk -----------------------------------------------------------------------------

    /** The rows of a table in scan order, with their ids. */
    static final class Scan {
        final List<Row> rows = new ArrayList<>();
        final Map<RowId, Integer> position = new HashMap<>();
    }

    static Scan scan(Table t) throws Fault {
        Scan s = new Scan();
        for (Row r : t) {
            if (s.position.put(r.getId(), s.rows.size()) != null)
                throw new Fault(t.getName() + ": the scan returns row " + r.getId() + " twice");
            s.rows.add(r);
        }
        if (s.rows.size() != t.getRowCount())
            throw new Fault(t.getName() + ": the table definition says " + t.getRowCount() + " rows, a scan finds "
                            + s.rows.size());
        return s;
    }

    static Object[] key(Index index, Row r) {
        List<? extends Index.Column> cols = index.getColumns();
        Object[] key = new Object[cols.size()];
        for (int i = 0; i < key.length; ++i)
            key[i] = r.get(cols.get(i).getName());
        return key;
    }

    // -1, 0, 1; or 0 also where Jet's order is not Java's (text, Booleans), which is then not judged.
    static int compareKeys(Index index, Object[] a, Object[] b) {
        List<? extends Index.Column> cols = index.getColumns();
        for (int i = 0; i < a.length; ++i) {
            Object x = a[i], y = b[i];
            int c;
            if (x == null || y == null)
                c = x == null ? (y == null ? 0 : -1) : 1;
            else if (x instanceof Number && y instanceof Number && !(x instanceof java.math.BigDecimal))
                c = Double.compare(((Number) x).doubleValue(), ((Number) y).doubleValue());
            else if (x instanceof LocalDateTime && y instanceof LocalDateTime)
                c = ((LocalDateTime) x).compareTo((LocalDateTime) y);
            else if (x instanceof Date && y instanceof Date)
                c = ((Date) x).compareTo((Date) y);
            else if (x.equals(y))
                c = 0;
            else
                return 0;
            if (c != 0)
                return cols.get(i).isAscending() ? c : -c;
        }
        return 0;
    }

    static String keyText(Object[] key) {
        StringBuilder b = new StringBuilder("(");
        for (int i = 0; i < key.length; ++i)
            b.append(i > 0 ? ", " : "").append(canonical(key[i]));
        return b.append(')').toString();
    }

    /** Walks an index with a cursor: the scan's rows, each once, in key order; then finds each. */
    static int walkIndex(Table t, Index index, Scan s) throws IOException, Fault {
        String name = t.getName() + "." + index.getName();
        int expected = 0;
        for (Row r : s.rows) {
            boolean allNull = true;
            for (Object v : key(index, r))
                allNull &= v == null;
            if (!(allNull && index.shouldIgnoreNulls()))
                ++expected;
        }
        IndexCursor cursor = CursorBuilder.createCursor(index);
        Set<RowId> seen = new HashSet<>();
        Object[] previousKey = null;
        RowId previousId = null;
        int count = 0;
        for (Row r : cursor) {
            RowId id = r.getId();
            if (!s.position.containsKey(id))
                throw new Fault(name + ": the index leads to row " + id + ", which a scan of " + t.getName()
                                + " does not find");
            if (!seen.add(id))
                throw new Fault(name + ": the index leads to row " + id + " twice");
            if (!canonicalRow(t, r).equals(canonicalRow(t, s.rows.get(s.position.get(id)))))
                throw new Fault(name + ": row " + id + " reads differently through the index");
            Object[] k = key(index, r);
            if (previousKey != null) {
                int c = compareKeys(index, previousKey, k);
                if (c > 0)
                    throw new Fault(name + ": entry " + keyText(k) + " of row " + id + " comes after "
                                    + keyText(previousKey) + ": not in key order");
                if (c == 0 && Arrays.equals(previousKey, k) && previousId.compareTo(id) > 0)
                    throw new Fault(name + ": rows " + previousId + " and " + id + " share key " + keyText(k)
                                    + " but are not in row order");
            }
            previousKey = k;
            previousId = id;
            ++count;
        }
        if (count != expected)
            throw new Fault(name + ": the index has " + count + " entries, the table " + expected + " rows for it");
        if (index.isUnique() || index.isPrimaryKey()) {
            TreeSet<String> keys = new TreeSet<>();
            for (Row r : s.rows)
                if (!keys.add(keyText(key(index, r))))
                    throw new Fault(name + ": unique, but key " + keyText(key(index, r)) + " is there twice");
        }
        // Every row found from the root down, through the intermediate pages.
        IndexCursor finder = CursorBuilder.createCursor(index);
        for (Row r : s.rows) {
            Object[] k = key(index, r);
            if (!finder.findFirstRowByEntry(k))
                throw new Fault(name + ": a search for " + keyText(k) + " (row " + r.getId() + ") finds nothing");
            if ((index.isUnique() || index.isPrimaryKey()) && !finder.getCurrentRow().getId().equals(r.getId()))
                throw new Fault(name + ": a search for " + keyText(k) + " finds row " + finder.getCurrentRow().getId()
                                + ", not " + r.getId());
        }
        return count;
    }

    static String indexText(Index index) {
        StringBuilder cols = new StringBuilder();
        for (Index.Column c : index.getColumns())
            cols.append(cols.length() > 0 ? "," : "").append(c.getName()).append(c.isAscending() ? "" : " desc");
        return (index.isPrimaryKey() ? "primary " : "") + (index.isUnique() ? "unique " : "") + "columns " + cols;
    }

    static Index requireIndex(Table t, String name, boolean primary, String column) throws Fault {
        Index found = null;
        for (Index i : t.getIndexes())
            if (i.getName().equals(name))
                found = i;
        if (found == null)
            throw new Fault(t.getName() + " has no index " + name + " (it has: " + indexNames(t) + ")");
        if (found.isPrimaryKey() != primary)
            throw new Fault(t.getName() + "." + name + (primary ? " is not" : " is") + " the primary key");
        if (found.getColumns().size() != 1 || !found.getColumns().get(0).getName().equals(column))
            throw new Fault(t.getName() + "." + name + " is on " + indexText(found) + ", not on " + column);
        if (primary && t.getPrimaryKeyIndex() != found)
            throw new Fault(t.getName() + ": Jackcess takes " + t.getPrimaryKeyIndex().getName() + " for the primary key");
        return found;
    }

    static String indexNames(Table t) {
        StringBuilder b = new StringBuilder();
        for (Index i : t.getIndexes())
            b.append(b.length() > 0 ? ", " : "").append(i.getName());
        return b.length() > 0 ? b.toString() : "none";
    }

    /** Each problem's options through Otvety.ID_P, as a scan of Otvety finds them. */
    static void checkBank(Database db, Map<String, Scan> scans) throws IOException, Fault {
        Table problems = db.getTable("Zadachi");
        Table options = db.getTable("Otvety");
        requireIndex(problems, "PrimaryKey", true, "ID_P");
        requireIndex(options, "PrimaryKey", true, "ID_O");
        Index detail = requireIndex(options, "ID_P", false, "ID_P");
        Map<Object, List<RowId>> byProblem = new HashMap<>();
        for (Row r : scans.get("Otvety").rows)
            byProblem.computeIfAbsent(r.get("ID_P"), k -> new ArrayList<>()).add(r.getId());
        IndexCursor cursor = CursorBuilder.createCursor(detail);
        int found = 0;
        for (Row p : scans.get("Zadachi").rows) {
            Object id = p.get("ID_P");
            List<RowId> viaIndex = new ArrayList<>();
            for (Row o : cursor.newEntryIterable(id))
                viaIndex.add(o.getId());
            List<RowId> viaScan = byProblem.getOrDefault(id, new ArrayList<>());
            if (!viaIndex.equals(viaScan))
                throw new Fault("problem ID_P " + id + ": Otvety.ID_P gives options " + viaIndex + ", a scan " + viaScan);
            found += viaIndex.size();
        }
        out.println("bank " + scans.get("Zadachi").rows.size() + " problems, " + found
                    + " options found through Otvety.ID_P");
    }

    static void summarize(Database db) throws IOException, Fault {
        out.println("format " + db.getFileFormat().name());
        Map<String, Scan> scans = new TreeMap<>();
        TreeSet<String> names = new TreeSet<>(db.getTableNames());
        for (String name : names) {
            Table t = db.getTable(name);
            if (t == null)
                throw new Fault("the catalogue lists table " + name + ", which does not open");
            Scan s = scan(t);
            scans.put(name, s);
            MessageDigest sha = sha256();
            for (Row r : s.rows)
                sha.update((canonicalRow(t, r) + "\n").getBytes(StandardCharsets.UTF_8));
            t.getProperties();
            out.println("table " + name + " rows " + s.rows.size() + " columns " + columnsText(t) + " sha256 "
                        + hex(sha.digest()));
        }
        for (String name : SYSTEM_TABLES) {
            Table t = db.getSystemTable(name);
            if (t == null)
                throw new Fault("no system table " + name);
            if (!t.isSystem())
                throw new Fault(name + " is not flagged as a system object");
            Scan s = scan(t);
            scans.put(name, s);
            for (Row r : s.rows)
                canonicalRow(t, r); // every value read, long values too
        }
        for (Map.Entry<String, Scan> e : scans.entrySet()) {
            Table t = names.contains(e.getKey()) ? db.getTable(e.getKey()) : db.getSystemTable(e.getKey());
            for (Index index : t.getIndexes()) {
                int n = walkIndex(t, index, e.getValue());
                if (names.contains(e.getKey()))
                    out.println("index " + e.getKey() + "." + index.getName() + " " + indexText(index) + " entries " + n);
            }
        }
        // What Access reads on opening a file: the database's properties and its relationships.
        db.getDatabaseProperties();
        db.getSummaryProperties();
        db.getUserDefinedProperties();
        out.println("relationships " + db.getRelationships().size() + " queries " + db.getQueries().size());
        if (names.contains("Zadachi") && names.contains("Otvety"))
            checkBank(db, scans);
    }

    static MessageDigest sha256() {
        try {
            return MessageDigest.getInstance("SHA-256");
        } catch (java.security.NoSuchAlgorithmException e) {
            throw new IllegalStateException(e);
        }
    }

    static void walk(File file) throws IOException, Fault {
        try (Database db = openReadOnly(file)) {
            summarize(db);
        }
    }

    static void rows(File file, String table) throws IOException, Fault {
        try (Database db = openReadOnly(file)) {
            Table t = db.getTable(table);
            if (t == null)
                throw new Fault("no table " + table);
            for (Row r : t)
                out.println(canonicalRow(t, r));
        }
    }

    // ---- edit -----------------------------------------------------------------------------

    static String longText(int n, String seed) {
        StringBuilder b = new StringBuilder();
        while (b.length() < n)
            b.append(seed).append(' ').append(b.length()).append(". ");
        return b.substring(0, n);
    }

    static int maxOf(Table t, String column) {
        int max = 0;
        for (Row r : t)
            max = Math.max(max, ((Number) r.get(column)).intValue());
        return max;
    }

    /**
     * What a teacher does in Access: a new problem with long Cyrillic texts and its four options,
     * the first problem's body made longer (its row may move to another page), the last problem
     * and the first option deleted, each found through the primary key. Then closed, reopened and
     * walked.
     */
    static void edit(File file) throws IOException, Fault {
        try (Database db = new DatabaseBuilder(file).setAutoSync(false).open()) {
            if (db.getFileFormat() == Database.FileFormat.V1997)
                throw new Fault("Jackcess does not write Jet 3 files");
            Table problems = db.getTable("Zadachi");
            Table options = db.getTable("Otvety");
            int lastProblem = maxOf(problems, "ID_P");
            int lastOption = maxOf(options, "ID_O");
            int added = lastProblem + 1;
            Map<String, Object> p = new HashMap<>();
            p.put("ID_P", added);
            p.put("Name", longText(3000, "Добавлено в Access: найдите площадь треугольника"));
            p.put("Uslovie", "Задача, добавленная Jackcess");
            problems.addRowFromMap(p);
            for (int n = 1; n <= 4; ++n) {
                Map<String, Object> o = new HashMap<>();
                o.put("ID_O", lastOption + n);
                o.put("ID_P", added);
                o.put("Otvet", "Ответ Jackcess " + n);
                o.put("Istina", n == 2);
                o.put("dopol", (short) n);
                options.addRowFromMap(o);
            }
            Row first = CursorBuilder.createPrimaryKeyCursor(problems).getNextRow();
            first.put("Name", longText(1500, "Изменено в Access"));
            problems.updateRow(first);

            Row last = CursorBuilder.findRowByPrimaryKey(problems, lastProblem);
            if (last == null)
                throw new Fault("Zadachi.PrimaryKey does not find ID_P " + lastProblem);
            problems.deleteRow(last);
            options.deleteRow(CursorBuilder.createPrimaryKeyCursor(options).getNextRow());
        }
        walk(file);
    }

    // ---- the teacher's bank -----------------------------------------------------------------

    static final String[] TOPICS = {"Дроби", "Проценты", "Уравнения", "Степени", "Геометрия"};

    static void makeTeacher(String[] args) throws IOException, Fault {
        File file = new File(args[1]);
        int count = 20;
        boolean withoutDetailIndex = false;
        for (int i = 2; i < args.length; ++i) {
            if (args[i].equals("--no-detail-index"))
                withoutDetailIndex = true;
            else if (args[i].equals("--problems") && i + 1 < args.length)
                count = Integer.parseInt(args[++i]);
            else
                throw new Fault("make-teacher: unknown argument " + args[i]);
        }
        file.delete();
        try (Database db = new DatabaseBuilder(file)
                               .setFileFormat(Database.FileFormat.V2000)
                               .putDatabaseProperty("AppTitle", "Банк задач 7 «Б»")
                               .putSummaryProperty("Author", "Мария Ивановна")
                               .putUserDefinedProperty("Класс", "7Б")
                               .create()) {
            Table problems = new TableBuilder("Zadachi")
                                 .addColumn(DatabaseBuilder.newColumn("ID_P", DataType.LONG))
                                 .addColumn(DatabaseBuilder.newColumn("Uslovie", DataType.MEMO))
                                 .addColumn(DatabaseBuilder.newColumn("Name", DataType.MEMO))
                                 .addColumn(DatabaseBuilder.newColumn("Tema", DataType.TEXT)
                                                .setLengthInUnits(50)
                                                .putProperty("Caption", "Тема урока"))
                                 .addIndex(DatabaseBuilder.newPrimaryKey("ID_P"))
                                 .putProperty("Description", "Задачи для самопроверки")
                                 .toTable(db);
            TableBuilder optionsBuilder = new TableBuilder("Otvety")
                                              .addColumn(DatabaseBuilder.newColumn("ID_O", DataType.LONG))
                                              .addColumn(DatabaseBuilder.newColumn("ID_P", DataType.LONG))
                                              .addColumn(DatabaseBuilder.newColumn("Otvet", DataType.MEMO))
                                              .addColumn(DatabaseBuilder.newColumn("Istina", DataType.BOOLEAN))
                                              .addColumn(DatabaseBuilder.newColumn("dopol", DataType.INT))
                                              .addIndex(DatabaseBuilder.newPrimaryKey("ID_O"));
            if (!withoutDetailIndex)
                optionsBuilder.addIndex(new IndexBuilder("ID_P").addColumns("ID_P"));
            Table options = optionsBuilder.toTable(db);
            int optionId = 0;
            List<Object[]> problemRows = new ArrayList<>();
            List<Object[]> optionRows = new ArrayList<>();
            for (int p = 1; p <= count; ++p) {
                // Past the key's 20 positions, every tenth body is several thousand characters long.
                int length = p <= 20 ? 40 + 37 * p : p % 10 == 0 ? 2000 + (p * 37) % 4000 : 60 + p % 150;
                problemRows.add(new Object[] {p, "Задача " + p + ": вычислите " + p + " · " + (p + 3),
                                              p % 5 == 0 ? "" : longText(length, "Найдите значение выражения"),
                                              p == 7 ? null : TOPICS[p % TOPICS.length] + " " + p});
                int key = p <= 20 ? KEY[p - 1] : 1;
                for (int n = 1; n <= 4; ++n)
                    optionRows.add(new Object[] {++optionId, p, (n == key ? "верно " : "неверно ") + p + "." + n,
                                                 n == key, (short) n});
            }
            problems.addRows(problemRows);
            options.addRows(optionRows);
            Table classes = new TableBuilder("Klassy")
                                .addColumn(DatabaseBuilder.newColumn("ID", DataType.LONG).setAutoNumber(true))
                                .addColumn(DatabaseBuilder.newColumn("Klass", DataType.TEXT).setLengthInUnits(10))
                                .addColumn(DatabaseBuilder.newColumn("Uchitel", DataType.TEXT))
                                .addColumn(DatabaseBuilder.newColumn("Uchenikov", DataType.INT))
                                .addColumn(DatabaseBuilder.newColumn("Nachalo", DataType.SHORT_DATE_TIME))
                                .addIndex(DatabaseBuilder.newPrimaryKey("ID"))
                                .toTable(db);
            classes.addRow(null, "7А", "Петрова Анна Сергеевна", (short) 27, LocalDateTime.of(2026, 9, 1, 8, 30));
            classes.addRow(null, "7Б", "Мария Ивановна", (short) 25, LocalDateTime.of(2026, 9, 1, 9, 20));
            classes.addRow(null, "8В", null, (short) 30, LocalDateTime.of(2026, 9, 2, 10, 15));
            // Drawn in Access's relationship window, without enforced integrity (no index for it).
            DatabaseBuilder.newRelationship("Zadachi", "Otvety").addColumns("ID_P", "ID_P").toRelationship(db);
        }
    }

    static void properties(String owner, PropertyMap map) {
        TreeMap<String, String> sorted = new TreeMap<>();
        for (PropertyMap.Property p : map)
            sorted.put(p.getName(), p.getType() + " " + canonical(p.getValue()));
        for (Map.Entry<String, String> e : sorted.entrySet())
            out.println("property " + owner + " " + e.getKey() + " " + e.getValue());
    }

    static void dumpTeacher(File file) throws IOException, Fault {
        try (Database db = openReadOnly(file)) {
            TreeSet<String> names = new TreeSet<>(db.getTableNames());
            out.println("tables " + String.join(",", names));
            for (String name : names) {
                Table t = db.getTable(name);
                out.println("columns " + name + " " + columnsText(t));
                properties(name, t.getProperties());
                for (Column c : t.getColumns())
                    properties(name + "." + c.getName(), c.getProperties());
            }
            Table problems = db.getTable("Zadachi");
            if (problems == null || problems.getColumn("Tema") == null)
                throw new Fault("Zadachi has no column Tema");
            for (Row r : problems)
                out.println("tema " + r.get("ID_P") + "\t" + canonical(r.get("Tema")) + "\t" + canonical(r.get("Uslovie")));
            Table classes = db.getTable("Klassy");
            if (classes == null)
                throw new Fault("no table Klassy");
            for (Row r : classes)
                out.println("klassy " + canonicalRow(classes, r));
            for (Relationship rel : db.getRelationships()) {
                StringBuilder b = new StringBuilder("relationship " + rel.getName() + " " + rel.getFromTable().getName());
                for (Column c : rel.getFromColumns())
                    b.append(' ').append(c.getName());
                b.append(" -> ").append(rel.getToTable().getName());
                for (Column c : rel.getToColumns())
                    b.append(' ').append(c.getName());
                out.println(b.append(" integrity ").append(rel.hasReferentialIntegrity()));
            }
            properties("database", db.getDatabaseProperties());
            properties("summary", db.getSummaryProperties());
            properties("user", db.getUserDefinedProperties());
        }
    }
}
