// Makes an Access 2000 database with Jackcess whose tables carry indexes of every key type the
// index tests check, and prints where each table's definition and rows are:
//   TABLE <name> <definition page>
//   ROW <page> <row>          (each row of the table above, in scan order)
// Usage: java JackcessIndexes OUT.mdb ROWS
//        java JackcessIndexes --empty OUT.mdb   (copies out the Access-made empty database Jackcess
//                                               starts new files from)
//        java JackcessIndexes --walk FILE TABLE INDEX
//            walks the index with a cursor, checks its pages and prints ENTRY <page> <row> in
//            index order

import com.healthmarketscience.jackcess.ColumnBuilder;
import com.healthmarketscience.jackcess.CursorBuilder;
import com.healthmarketscience.jackcess.DataType;
import com.healthmarketscience.jackcess.Database;
import com.healthmarketscience.jackcess.DatabaseBuilder;
import com.healthmarketscience.jackcess.IndexBuilder;
import com.healthmarketscience.jackcess.Row;
import com.healthmarketscience.jackcess.Table;
import com.healthmarketscience.jackcess.TableBuilder;
import com.healthmarketscience.jackcess.impl.IndexImpl;
import com.healthmarketscience.jackcess.impl.RowIdImpl;
import com.healthmarketscience.jackcess.impl.TableImpl;

import java.io.File;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.StandardCopyOption;
import java.math.BigDecimal;
import java.util.Date;

public class JackcessIndexes {
    // Words that exercise the text keys: case, Cyrillic with Ё and ё, the apostrophe and the
    // hyphen (sorted as if absent), digits, spaces, punctuation, the empty string.
    static final String[] WORDS = {
        "Задача", "задача", "ёлка", "Ёж", "елка", "don't", "e-mail", "Alpha", "beta", "ГАММА",
        "x y", "10", "9", "", "A-b'c", "Щука-рыба", "(1+2)*3=9?", "Юла", "яма", "Z_z~{|}",
        "Ёлка-ёж'", "Ё-ж",
    };

    public static void main(String[] args) throws Exception {
        if (args[0].equals("--empty")) {
            try (InputStream in = ClassLoader.getSystemResourceAsStream("com/healthmarketscience/jackcess/empty.mdb")) {
                Files.copy(in, new File(args[1]).toPath(), StandardCopyOption.REPLACE_EXISTING);
            }
            return;
        }
        if (args[0].equals("--walk")) {
            Database db = new DatabaseBuilder(new File(args[1])).setReadOnly(true).open();
            IndexImpl index = (IndexImpl) db.getTable(args[2]).getIndex(args[3]);
            for (Row row : CursorBuilder.createCursor(index).newIterable()) {
                RowIdImpl id = (RowIdImpl) row.getId();
                System.out.println("ENTRY " + id.getPageNumber() + " " + id.getRowNumber());
            }
            index.getIndexData().validate(true); // every page: order, children, links
            db.close();
            return;
        }
        File file = new File(args[0]);
        int rows = Integer.parseInt(args[1]);
        file.delete();
        Database db = new DatabaseBuilder(file).setFileFormat(Database.FileFormat.V2000).create();

        Table keys = new TableBuilder("Keys")
            .addColumn(new ColumnBuilder("ID", DataType.LONG))
            .addColumn(new ColumnBuilder("B", DataType.BYTE))
            .addColumn(new ColumnBuilder("I", DataType.INT))
            .addColumn(new ColumnBuilder("C", DataType.MONEY))
            .addColumn(new ColumnBuilder("D", DataType.DOUBLE))
            .addColumn(new ColumnBuilder("T", DataType.SHORT_DATE_TIME))
            .addColumn(new ColumnBuilder("F", DataType.BOOLEAN))
            .addColumn(new ColumnBuilder("Txt", DataType.TEXT).setLengthInUnits(120))
            .addColumn(new ColumnBuilder("Memo", DataType.MEMO))
            .addIndex(new IndexBuilder(IndexBuilder.PRIMARY_KEY_NAME).addColumns("ID").setPrimaryKey())
            .addIndex(new IndexBuilder("B").addColumns("B"))
            .addIndex(new IndexBuilder("IDesc").addColumns(false, "I"))
            .addIndex(new IndexBuilder("C").addColumns("C"))
            .addIndex(new IndexBuilder("D").addColumns("D"))
            .addIndex(new IndexBuilder("T").addColumns(false, "T"))
            .addIndex(new IndexBuilder("F").addColumns("F"))
            .addIndex(new IndexBuilder("Txt").addColumns("Txt"))
            .addIndex(new IndexBuilder("TxtDescI").addColumns(false, "Txt").addColumns("I"))
            .toTable(db);
        StringBuilder memo = new StringBuilder();
        for (int k = 0; k < 400; ++k)
            memo.append("Условие задачи номер ").append(k).append(". ");
        for (int i = 0; i < rows; ++i) {
            // Rows go in out of key order, and some values are NULL.
            int id = (int) ((i * 7919L) % 100003) - 50000;
            String word = WORDS[i % WORDS.length];
            String txt = i % 23 == 5 ? null : (i % 3 == 0 ? word : word + " " + (i % 41));
            keys.addRow(id, i % 17 == 3 ? null : i % 256, (i * 37 % 65536) - 32768,
                        new BigDecimal(i * 12345L - 5000000L).movePointLeft(4),
                        i % 19 == 2 ? null : (i - rows / 2) * 1.5 + 0.25,
                        new Date(946684800000L + i * 86400000L * 3 - 400L * 86400000L * 365),
                        i % 2 == 0, txt, i % 10 == 0 ? memo.toString() : null);
        }

        Table small = new TableBuilder("Small")
            .addColumn(new ColumnBuilder("ID_P", DataType.LONG))
            .addColumn(new ColumnBuilder("Name", DataType.TEXT))
            .addIndex(new IndexBuilder(IndexBuilder.PRIMARY_KEY_NAME).addColumns("ID_P").setPrimaryKey())
            .addIndex(new IndexBuilder("Name").addColumns("Name"))
            .toTable(db);
        for (int i = 0; i < 5; ++i)
            small.addRow(5 - i, WORDS[i]);

        for (String name : new String[] {"MSysObjects", "MSysACEs", "MSysQueries", "MSysRelationships"})
            print((TableImpl) db.getSystemTable(name));
        print((TableImpl) keys);
        print((TableImpl) small);
        db.close();
    }

    static void print(TableImpl table) {
        System.out.println("TABLE " + table.getName() + " " + table.getTableDefPageNumber());
        for (Row row : table) {
            RowIdImpl id = (RowIdImpl) row.getId();
            System.out.println("ROW " + id.getPageNumber() + " " + id.getRowNumber());
        }
    }
}
